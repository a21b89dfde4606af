# libc_only(<target>)
#
# The deliverables are C++ at build time only: no exceptions, no run-time
# type information, and linked by the C driver so that neither libstdc++ nor
# libgcc_s nor libm is needed when they run.  check_needed.cmake proves it.
function(libc_only target)
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
  target_link_options(${target} PRIVATE -Wl,--as-needed -Wl,-z,relro,-z,now)
  set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C)
endfunction()

# add_needed_test(<name> <target> <library>...)
#
# A test that fails unless <target>'s dynamic section names exactly the
# given libraries (none when no library is given); and for a program of a
# cross build, unless what it loads under the emulator is its root's.
function(add_needed_test name target)
  string(REPLACE ";" "," allowed "${ARGN}")
  string(REPLACE ";" " " run "${CMAKE_CROSSCOMPILING_EMULATOR}")
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -DREADELF=${CMAKE_READELF}
      -DFILE=$<TARGET_FILE:${target}> "-DALLOWED=${allowed}" "-DRUN=${run}" -DROOT=${CMAKE_SYSROOT}
      -P ${PROJECT_SOURCE_DIR}/cmake/check_needed.cmake)
  set_tests_properties(${name} PROPERTIES LABELS "link")
endfunction()
