find_package(Python3 REQUIRED COMPONENTS Interpreter)

# setup_resources(target [PAYLOAD file PAYLOAD_DEPENDS dep])
# Compiles the updater's resource script into `target`. Without a PAYLOAD it
# carries no resource 107 (tests use that to see the failure). With one, the
# CRC-32 of the payload is recorded beside it, per program, whenever the
# payload changes.
function(setup_resources target)
  cmake_parse_arguments(ARG "" "PAYLOAD;PAYLOAD_DEPENDS" "" ${ARGN})
  set(resource_dir ${CMAKE_BINARY_DIR}/resources/${target})
  set(asset_dir ${CMAKE_BINARY_DIR}/resources/assets)
  # Each program compiles its own copy of the script, with its own inputs.
  configure_file(${CMAKE_SOURCE_DIR}/ui/setup.rc ${resource_dir}/setup.rc COPYONLY)
  set(inputs ${BIN_DIR}/Stub.exe ${asset_dir}/guide.txt ${asset_dir}/picture.bmp
             ${asset_dir}/logo.bmp ${asset_dir}/veltrano.ico ${CMAKE_SOURCE_DIR}/ui/resource_ids.h
             ${CMAKE_BINARY_DIR}/generated/release.h ${CMAKE_SOURCE_DIR}/ui/setup.manifest
             ${CMAKE_SOURCE_DIR}/ui/progress_window.rc)
  set(depends Stub ui_assets)

  if(ARG_PAYLOAD)
    # The payload is copied under the fixed name that the script gives, and
    # its checksum computed from that very copy.
    add_custom_command(OUTPUT ${resource_dir}/payload.bin ${resource_dir}/payload.crc
      COMMAND ${CMAKE_COMMAND} -E copy ${ARG_PAYLOAD} ${resource_dir}/payload.bin
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/record_checksum.py
              ${resource_dir}/payload.bin ${resource_dir}/payload.crc
      DEPENDS ${ARG_PAYLOAD_DEPENDS} ${CMAKE_SOURCE_DIR}/cmake/record_checksum.py VERBATIM)
    add_custom_target(${target}_payload DEPENDS ${resource_dir}/payload.bin ${resource_dir}/payload.crc)
    list(APPEND depends ${target}_payload)
    list(APPEND inputs ${resource_dir}/payload.bin ${resource_dir}/payload.crc)
  else()
    target_compile_definitions(${target} PRIVATE SETUP_WITHOUT_PAYLOAD)
  endif()

  target_sources(${target} PRIVATE ${resource_dir}/setup.rc)
  target_include_directories(${target} PRIVATE ${resource_dir} ${CMAKE_SOURCE_DIR}/ui ${asset_dir} ${BIN_DIR})
  add_dependencies(${target} ${depends})
  # The script takes in files that CMake does not see as sources.
  set_source_files_properties(${resource_dir}/setup.rc PROPERTIES OBJECT_DEPENDS "${inputs}")
endfunction()

# add_setup_program(name OUTPUT_DIRECTORY dir [PAYLOAD file PAYLOAD_DEPENDS dep]
#                   [ENTRY source] [DEFINITIONS name...])
# Builds an updater: the product code, its entry and its resources. ENTRY
# replaces the updater's entry (test hosts that drive the windows directly);
# DEFINITIONS reach the entry and the resource script (SETUP_WITHOUT_...
# leaves a resource out, for tests of its failure).
function(add_setup_program name)
  cmake_parse_arguments(ARG "" "OUTPUT_DIRECTORY;PAYLOAD;PAYLOAD_DEPENDS;ENTRY" "DEFINITIONS" ${ARGN})
  if(NOT ARG_ENTRY)
    set(ARG_ENTRY ${CMAKE_SOURCE_DIR}/driver/entry.cpp)
  endif()
  add_executable(${name} WIN32 ${ARG_ENTRY})
  target_link_libraries(${name} PRIVATE setup_core)
  native_program(${name} kernel32 user32 gdi32 advapi32)
  if(ARG_PAYLOAD)
    setup_resources(${name} PAYLOAD ${ARG_PAYLOAD} PAYLOAD_DEPENDS ${ARG_PAYLOAD_DEPENDS})
  else()
    setup_resources(${name})
  endif()
  if(ARG_DEFINITIONS)
    target_compile_definitions(${name} PRIVATE ${ARG_DEFINITIONS})
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIRECTORY})
endfunction()

# check_payload_program(file)
# Refuses, at configure time, a payload that cannot be a Windows program: a
# missing or empty file, or one without the DOS header ("MZ") whose pointer at
# 0x3C leads to the PE signature. The build would embed it as given, with a
# matching checksum, and only the user would find out. The configure step runs
# again when the file changes, so a payload replaced later is checked too.
function(check_payload_program file)
  if(NOT EXISTS "${file}" OR IS_DIRECTORY "${file}")
    message(FATAL_ERROR "SETUP_PAYLOAD: ${file} does not exist or is not a file")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
  file(SIZE "${file}" size)
  if(size EQUAL 0)
    message(FATAL_ERROR "SETUP_PAYLOAD: ${file} is empty, not an installer program")
  endif()
  set(pe_offset -1)
  if(size GREATER 64)
    file(READ "${file}" dos_signature LIMIT 2 HEX)
    file(READ "${file}" pointer OFFSET 60 LIMIT 4 HEX)
    if(dos_signature STREQUAL "4d5a")
      # The pointer is little-endian: its bytes in reverse order.
      string(REGEX REPLACE "^(..)(..)(..)(..)$" "\\4\\3\\2\\1" pointer "${pointer}")
      math(EXPR pe_offset "0x${pointer}")
    endif()
  endif()
  set(pe_signature "")
  if(pe_offset GREATER 0 AND pe_offset LESS size)
    file(READ "${file}" pe_signature OFFSET ${pe_offset} LIMIT 4 HEX)
  endif()
  if(NOT pe_signature STREQUAL "50450000")
    message(FATAL_ERROR "SETUP_PAYLOAD: ${file} is not a Windows program (no DOS and PE header); "
                        "give the installer program itself")
  endif()
endfunction()
