# cmake -DTOOL=osslsigncode -DIN=<linked program> -DOUT=<signed program>
#       -DPFX=<file.pfx> -DPASSWORD_FILE=<file> [-DCA_FILE=<certificates>]
#       [-DTIMESTAMP_URL=<url>] [-DINVALIDATES=<programs>] -P sign_and_verify.cmake
# Signs IN into OUT (SHA-256) and verifies the signature. OUT appears only
# once its signature has verified: a failed signing leaves no program there,
# neither an unsigned one nor the signed one of an earlier build. The linked
# IN is removed too, so that the next build links and signs again instead of
# taking the program as up to date. INVALIDATES (signed programs that carry
# OUT) go at once: they are out of date until they are built again.
get_filename_component(name "${OUT}" NAME)
set(part "${OUT}.signing")
file(REMOVE "${OUT}" "${part}" ${INVALIDATES})
get_filename_component(output_dir "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${output_dir}")

# Each argument one quoted text: CMake takes quoted texts on separate lines as
# separate arguments, and osslsigncode's own reason is in `output`.
function(fail reason output)
  file(REMOVE "${part}" "${IN}")
  # Indented, its lines are shown as they are instead of being run together.
  string(STRIP "${output}" output)
  string(REPLACE "\n" "\n  " output "${output}")
  message(FATAL_ERROR "Signing ${name} failed: ${reason}\n  ${output}")
endfunction()

foreach(file PFX PASSWORD_FILE)
  if(NOT EXISTS "${${file}}")
    fail("${file} ${${file}} does not exist" "")
  endif()
endforeach()

set(timestamp "")
if(TIMESTAMP_URL)
  set(timestamp -ts ${TIMESTAMP_URL})
endif()
execute_process(COMMAND ${TOOL} sign -pkcs12 ${PFX} -readpass ${PASSWORD_FILE} -h sha256 ${timestamp}
                        -in ${IN} -out ${part}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  fail("osslsigncode could not sign it (wrong password, no key in ${PFX}, or time stamp server unreachable)"
       "${output}")
endif()

set(trust "")
if(CA_FILE)
  set(trust -CAfile ${CA_FILE})
endif()
execute_process(COMMAND ${TOOL} verify ${trust} -in ${part}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  if(NOT CA_FILE)
    set(CA_FILE "the system's certificates; give SETUP_SIGNING_CA_FILE for a private CA")
  endif()
  fail("its signature does not verify (certificate expired, not for code signing, or not trusted by ${CA_FILE})"
       "${output}")
endif()

# osslsigncode writes an ordinary file; the signed program keeps the execute
# permission that the linker gave the unsigned one.
file(CHMOD "${part}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                 WORLD_EXECUTE)
file(RENAME "${part}" "${OUT}")
message(STATUS "Signed and verified ${OUT}")
