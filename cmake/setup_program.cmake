# add_setup_program(name OUTPUT_DIRECTORY dir [PAYLOAD file PAYLOAD_DEPENDS dep])
# Builds an updater: the product code, its entry and its resources. Without a
# PAYLOAD it carries no resource 107 (tests use that to see the failure).
function(add_setup_program name)
  cmake_parse_arguments(ARG "" "OUTPUT_DIRECTORY;PAYLOAD;PAYLOAD_DEPENDS" "" ${ARGN})
  set(resource_dir ${CMAKE_BINARY_DIR}/resources/${name})
  set(asset_dir ${CMAKE_BINARY_DIR}/resources/assets)
  # Each updater compiles its own copy of the script, with its own inputs.
  configure_file(${CMAKE_SOURCE_DIR}/ui/setup.rc ${resource_dir}/setup.rc COPYONLY)
  set(inputs ${BIN_DIR}/Stub.exe ${asset_dir}/guide.txt ${asset_dir}/picture.bmp
             ${asset_dir}/logo.bmp ${asset_dir}/veltrano.ico)
  set(depends Stub ui_assets)

  if(ARG_PAYLOAD)
    # The payload is copied under the fixed name that the script gives.
    add_custom_command(OUTPUT ${resource_dir}/payload.bin
      COMMAND ${CMAKE_COMMAND} -E copy ${ARG_PAYLOAD} ${resource_dir}/payload.bin
      DEPENDS ${ARG_PAYLOAD_DEPENDS} VERBATIM)
    add_custom_target(${name}_payload DEPENDS ${resource_dir}/payload.bin)
    list(APPEND depends ${name}_payload)
    list(APPEND inputs ${resource_dir}/payload.bin)
  endif()

  add_executable(${name} WIN32 ${CMAKE_SOURCE_DIR}/driver/entry.cpp ${resource_dir}/setup.rc)
  target_link_libraries(${name} PRIVATE setup_core)
  native_program(${name} kernel32 user32 gdi32 advapi32)
  target_include_directories(${name} PRIVATE ${resource_dir} ${CMAKE_SOURCE_DIR}/ui ${asset_dir} ${BIN_DIR})
  if(NOT ARG_PAYLOAD)
    target_compile_definitions(${name} PRIVATE SETUP_WITHOUT_PAYLOAD)
  endif()
  add_dependencies(${name} ${depends})
  # The script takes in files that CMake does not see as sources.
  set_source_files_properties(${resource_dir}/setup.rc PROPERTIES OBJECT_DEPENDS "${inputs}")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIRECTORY})
endfunction()
