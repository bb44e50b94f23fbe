# Authenticode signing of the deliverables, when the build is given a key:
#   -DSETUP_SIGNING_PFX=<file.pfx> -DSETUP_SIGNING_PASSWORD_FILE=<file>
#   [-DSETUP_SIGNING_CA_FILE=<certificates>] [-DSETUP_TIMESTAMP_URL=<url>]
# The password is only ever read from its file by osslsigncode, so it appears
# on no command line and in no build log. Without a key nothing is signed and
# the programs stay byte-identical from one build to the next.
set(SETUP_SIGNING_PFX "" CACHE FILEPATH "PKCS#12 file with the code-signing key and certificate (empty: unsigned)")
set(SETUP_SIGNING_PASSWORD_FILE "" CACHE FILEPATH "File holding the password of SETUP_SIGNING_PFX")
set(SETUP_SIGNING_CA_FILE "" CACHE FILEPATH
    "Certificates the signatures are verified against (empty: the system's trusted ones)")
set(SETUP_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamping server (empty: no time stamp)")

if(SETUP_SIGNING_PFX)
  if(NOT EXISTS "${SETUP_SIGNING_PFX}")
    message(FATAL_ERROR "SETUP_SIGNING_PFX: ${SETUP_SIGNING_PFX} does not exist")
  endif()
  if(NOT SETUP_SIGNING_PASSWORD_FILE OR NOT EXISTS "${SETUP_SIGNING_PASSWORD_FILE}")
    message(FATAL_ERROR "Signing needs SETUP_SIGNING_PASSWORD_FILE, a file holding the key's password "
                        "(given: \"${SETUP_SIGNING_PASSWORD_FILE}\")")
  endif()
  if(SETUP_SIGNING_CA_FILE AND NOT EXISTS "${SETUP_SIGNING_CA_FILE}")
    message(FATAL_ERROR "SETUP_SIGNING_CA_FILE: ${SETUP_SIGNING_CA_FILE} does not exist")
  endif()
  find_program(OSSLSIGNCODE osslsigncode)
  if(NOT OSSLSIGNCODE)
    message(FATAL_ERROR "Signing needs osslsigncode (scripts/bootstrap installs it)")
  endif()
endif()

# signed_program(target [INVALIDATES file...])
# With a key, `target` links into ${CMAKE_BINARY_DIR}/unsigned and its signed,
# verified copy takes its place in its output folder; without one, nothing
# changes. Targets that depend on `target` see the signed copy in place.
# INVALIDATES names signed programs that carry this one: they are removed as
# it is signed anew, so a failure leaves none of them behind out of date.
function(signed_program target)
  cmake_parse_arguments(ARG "" "" "INVALIDATES" ${ARGN})
  if(NOT SETUP_SIGNING_PFX)
    return()
  endif()
  get_target_property(output_dir ${target} RUNTIME_OUTPUT_DIRECTORY)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/unsigned)
  # A new key or password relinks, and so signs again.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${SETUP_SIGNING_PFX} ${SETUP_SIGNING_PASSWORD_FILE})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DTOOL=${OSSLSIGNCODE} -DIN=$<TARGET_FILE:${target}>
            -DOUT=${output_dir}/$<TARGET_FILE_NAME:${target}> -DPFX=${SETUP_SIGNING_PFX}
            -DPASSWORD_FILE=${SETUP_SIGNING_PASSWORD_FILE} -DCA_FILE=${SETUP_SIGNING_CA_FILE}
            -DTIMESTAMP_URL=${SETUP_TIMESTAMP_URL} "-DINVALIDATES=${ARG_INVALIDATES}" -P ${CMAKE_SOURCE_DIR}/cmake/sign_and_verify.cmake
    VERBATIM)
endfunction()
