# Options for the product's own code and for programs linked against the
# platform alone, with our start-up instead of the C runtime.

function(native_product_options target)
  target_compile_options(${target} PRIVATE
    -Os -fno-exceptions -fno-rtti -fno-threadsafe-statics
    -fno-asynchronous-unwind-tables -ffunction-sections -fdata-sections)
endfunction()

# Links `target` without the C runtime: our start-up calls WinMain, and only
# the platform's import libraries (plus libgcc for stack probes) are linked.
# Stripped and without a link time stamp, so two builds are byte-identical.
# The entry is WinMainCRTStartup, which x86 decorates with an underscore and
# x86-64 (the 64-bit twin) does not.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(NATIVE_ENTRY WinMainCRTStartup)
else()
  set(NATIVE_ENTRY _WinMainCRTStartup)
endif()
function(native_program target)
  native_product_options(${target})
  target_link_libraries(${target} PRIVATE windows_runtime ${ARGN} gcc)
  target_link_options(${target} PRIVATE
    -nostdlib -e ${NATIVE_ENTRY} -s -Wl,--no-insert-timestamp -Wl,--gc-sections)
endfunction()
