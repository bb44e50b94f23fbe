find_package(Python3 REQUIRED COMPONENTS Interpreter)

# read_release_description(file)
# Reads a release description ("key = value" lines, # for comments), checks
# it, and writes release.h into ${CMAKE_BINARY_DIR}/generated: the numbers and
# texts the code and the resource script take from it. Sets RELEASE_GUIDE
# (absolute path) and RELEASE_GUIDE_LINES / RELEASE_GUIDE_BYTES (empty when
# the release sets no fixed form for its guide) in the caller's scope.
function(read_release_description file)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "Release description ${file} does not exist")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
  get_filename_component(file_dir "${file}" DIRECTORY)
  set(known version replaces_up_to lowest_major caption product_name file_description company copyright
            comments guide guide_lines guide_bytes)
  set(optional guide_lines guide_bytes)
  set(texts caption product_name file_description company copyright comments)

  # The file must be UTF-8, and every text must have the Shift-JIS form the
  # programs show it in; the compilers would fail later, or not at all.
  execute_process(COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/check_release_texts.py "${file}" ${texts}
                  RESULT_VARIABLE status OUTPUT_VARIABLE problems ERROR_VARIABLE problems)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${problems}")
  endif()

  # Read as plain text, line by line: as a CMake list, a "[" or "]" or ";" in
  # the file would join or split lines.
  file(READ "${file}" content)
  string(ASCII 239 187 191 byte_order_mark)
  string(FIND "${content}" "${byte_order_mark}" at)
  if(at EQUAL 0)
    string(SUBSTRING "${content}" 3 -1 content)
  endif()
  set(number 0)
  while(NOT content STREQUAL "")
    math(EXPR number "${number} + 1")
    string(FIND "${content}" "\n" end)
    if(end EQUAL -1)
      set(line "${content}")
      set(content "")
    else()
      string(SUBSTRING "${content}" 0 ${end} line)
      math(EXPR end "${end} + 1")
      string(SUBSTRING "${content}" ${end} -1 content)
    endif()
    string(REGEX REPLACE "\r$" "" line "${line}")
    if(line MATCHES "^[ \t]*(#|$)")
      continue()
    endif()
    if(NOT line MATCHES "^[ \t]*([a-z_]+)[ \t]*=[ \t]*(.*[^ \t])[ \t]*$")
      message(FATAL_ERROR "${file}:${number}: not a \"key = value\" line: ${line}")
    endif()
    set(key ${CMAKE_MATCH_1})
    set(value "${CMAKE_MATCH_2}")
    if(NOT key IN_LIST known)
      list(JOIN known ", " known_keys)
      message(FATAL_ERROR "${file}:${number}: unknown key \"${key}\" (known: ${known_keys})")
    endif()
    if(DEFINED release_${key})
      message(FATAL_ERROR "${file}:${number}: \"${key}\" is given twice")
    endif()
    # The texts become C and resource string literals: refuse what would end
    # or escape out of them instead of quoting it.
    if(value MATCHES "[\"\\\\]")
      message(FATAL_ERROR "${file}:${number}: ${key} must not contain a double quote or a backslash")
    endif()
    set(release_${key} "${value}")
  endwhile()
  foreach(key IN LISTS known)
    if(NOT DEFINED release_${key} AND NOT key IN_LIST optional)
      message(FATAL_ERROR "${file}: \"${key}\" is missing")
    endif()
  endforeach()

  # "AppVer" packs the new version one byte per field, so each field must fit
  # a byte; the replaced build is compared as file-version words (16 bits).
  release_version_fields(version 255 new)
  release_version_fields(replaces_up_to 65535 old)
  # Leading zeros would be read as octal by the C compiler (010 as 8).
  string(REGEX REPLACE "^0+([0-9])" "\\1" lowest_major "${release_lowest_major}")
  if(NOT lowest_major MATCHES "^[0-9]+$" OR lowest_major GREATER old_0)
    message(FATAL_ERROR "${file}: lowest_major must be a number no higher than the major version of "
                        "replaces_up_to (${old_0})")
  endif()
  # An update that replaced its own version or a later one would take the
  # version it has just installed for one still to be updated.
  if(NOT release_replaces_up_to VERSION_LESS release_version)
    message(FATAL_ERROR "${file}: replaces_up_to (${release_replaces_up_to}) must be below "
                        "version (${release_version})")
  endif()
  if(DEFINED release_guide_lines AND NOT DEFINED release_guide_bytes OR
     DEFINED release_guide_bytes AND NOT DEFINED release_guide_lines)
    message(FATAL_ERROR "${file}: guide_lines and guide_bytes go together")
  endif()
  foreach(key guide_lines guide_bytes)
    if(DEFINED release_${key} AND NOT release_${key} MATCHES "^[0-9]+$")
      message(FATAL_ERROR "${file}: ${key} must be a number")
    endif()
  endforeach()

  get_filename_component(guide "${release_guide}" ABSOLUTE BASE_DIR "${file_dir}")
  if(NOT EXISTS "${guide}")
    message(FATAL_ERROR "${file}: guide ${guide} does not exist")
  endif()

  math(EXPR RELEASE_PACKED_VERSION "(${new_0} << 24) | (${new_1} << 16) | (${new_2} << 8) | ${new_3}"
       OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR RELEASE_REPLACES_MS "(${old_0} << 16) | ${old_1}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR RELEASE_REPLACES_LS "(${old_2} << 16) | ${old_3}" OUTPUT_FORMAT HEXADECIMAL)
  set(RELEASE_VERSION_WORDS "${new_0}, ${new_1}, ${new_2}, ${new_3}")
  set(RELEASE_LOWEST_MAJOR ${lowest_major})
  foreach(key IN LISTS texts)
    string(TOUPPER ${key} name)
    set(RELEASE_${name} "${release_${key}}")
  endforeach()
  set(RELEASE_DESCRIPTION_FILE "${file}")
  configure_file(${CMAKE_SOURCE_DIR}/cmake/release.h.in ${CMAKE_BINARY_DIR}/generated/release.h @ONLY)

  set(RELEASE_GUIDE "${guide}" PARENT_SCOPE)
  set(RELEASE_GUIDE_LINES "${release_guide_lines}" PARENT_SCOPE)
  set(RELEASE_GUIDE_BYTES "${release_guide_bytes}" PARENT_SCOPE)
  message(STATUS "Release ${release_version} (replaces up to ${release_replaces_up_to}) from ${file}")
endfunction()

# Splits the dotted version under `key` into ${prefix}_0 .. ${prefix}_3 in the
# caller's scope, each field at most `limit`.
function(release_version_fields key limit prefix)
  set(value "${release_${key}}")
  if(NOT value MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "Release description: ${key} must have four numeric fields, not \"${value}\"")
  endif()
  set(fields ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4})
  foreach(i 0 1 2 3)
    list(GET fields ${i} field)
    # Leading zeros would be read as octal by the C compiler.
    string(REGEX REPLACE "^0+([0-9])" "\\1" field "${field}")
    if(field GREATER ${limit})
      message(FATAL_ERROR "Release description: ${key} ${value} has a field above ${limit}")
    endif()
    set(${prefix}_${i} ${field} PARENT_SCOPE)
  endforeach()
endfunction()
