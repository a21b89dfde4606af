# What the test suites share: GoogleTest, the tools the tests run, and
# the exit status by which a test reports that it could not run.
#
# Every test is registered whatever is missing: one whose tool is not here
# reports itself skipped, and configuring names what is missing.  Never a
# half suite that passes, nor one that disappears.

set(SKIP_CODE 77)
# The property that lets a test report itself skipped.  ./check turns it
# off: there every test must run, but one that cannot apply wherever it
# runs (label inapplicable), which keeps it.
option(HOSTINSPECT_NO_SKIPPING "Tests that report themselves skipped fail" OFF)
set(may_skip SKIP_RETURN_CODE ${SKIP_CODE})
if(HOSTINSPECT_NO_SKIPPING)
  set(may_skip "")
endif()

# add_skipped_test(<name> <labels> <why>): a test that says why it cannot
# run here, and is reported skipped.  (cmake/test_configure knows
# such a test by this command.)
function(add_skipped_test name labels why)
  add_test(NAME ${name} COMMAND sh -c "echo \"$1\"; exit ${SKIP_CODE}" sh "${why}")
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" ${may_skip})
endfunction()

# GoogleTest: Debian's build of it (libgtest-dev); a cross build builds it
# from the source that its root's libgtest-dev holds, with the build's own
# compiler and linker, which may not read the objects of the root's
# release's GCC (Debian 13's riscv64 ones).
set(missing "")
set(googletest ${CMAKE_SYSROOT}/usr/src/googletest/googletest)
if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest CONFIG QUIET)
elseif(EXISTS ${googletest}/CMakeLists.txt)
  add_subdirectory(${googletest} googletest EXCLUDE_FROM_ALL SYSTEM)
  set_target_properties(gtest PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
  target_link_libraries(gtest PUBLIC atomic)   # (ARMv5's atomics are calls of it)
  if(NOT TARGET GTest::gtest)   # (made by googletest's own from 1.13 on)
    add_library(GTest::gtest ALIAS gtest)
  endif()
endif()
if(TARGET GTest::gtest)
  include(GoogleTest)
else()
  list(APPEND missing "GoogleTest (libgtest-dev) for ${CMAKE_SYSTEM_PROCESSOR}")
endif()

# The kernel tests look for ip and strace themselves; the lint tests are
# the native build's.
set(tools IP ip STRACE strace)
if(NOT CMAKE_CROSSCOMPILING)
  list(APPEND tools CLANG_TIDY clang-tidy CPPCHECK cppcheck)
endif()
while(tools)
  list(POP_FRONT tools var name)
  find_program(${var} ${name})
  if(NOT ${var})
    list(APPEND missing ${name})
  endif()
endwhile()

# A cross build runs the target's programs under its emulator
# (cmake/cross.cmake); without one, the tests that run them say so (no_emulator).
set(no_emulator "")
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(no_emulator "no emulator here for ${CMAKE_SYSTEM_PROCESSOR} programs (qemu-user)")
  list(APPEND missing "an emulator for ${CMAKE_SYSTEM_PROCESSOR} programs (qemu-user)")
endif()
if(missing)
  list(JOIN missing ", " missing)
  message(NOTICE "Missing for the tests: ${missing}; the tests that need them "
    "will report themselves skipped (./check installs what the tests need).")
endif()

# add_configure_tests(): this tree configured, natively and for each
# architecture of cmake/architectures, as machines without some of what ours hold would
# (cmake/test_configure): each thing alone, both Pythons together, then
# all at once, each held against the tree configured with nothing hidden;
# and this build's tests of each kind run where they cannot, which CTest
# must never count as passed.
function(add_configure_tests)
  set(run env HOSTINSPECT_CACHE=${HOSTINSPECT_CACHE} ${PROJECT_SOURCE_DIR}/cmake/test_configure
    ${CMAKE_BINARY_DIR}/configured)
  file(STRINGS ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/architectures arches REGEX "^[a-z]")
  list(TRANSFORM arches REPLACE " .*" "")
  foreach(kind native ${arches})
    set(cases prepared headers googletest qemu all)
    if(kind STREQUAL native)
      set(cases pyenv prepared python2 python3 "python2 python3" headers googletest lint all)
    endif()
    add_test(NAME configure_${kind} COMMAND ${run} ${kind})
    set_tests_properties(configure_${kind} PROPERTIES FIXTURES_SETUP configure_${kind} LABELS build ${may_skip})
    foreach(case IN LISTS cases)
      string(REPLACE " " "_" test "configure_${kind}_without_${case}")
      separate_arguments(things UNIX_COMMAND "${case}")
      add_test(NAME ${test} COMMAND ${run} ${kind} ${things})
      set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED configure_${kind} LABELS build ${may_skip})
    endforeach()
  endforeach()
  add_test(NAME skipped_is_never_passed COMMAND ${run} skipped ${CMAKE_BINARY_DIR})
  set_tests_properties(skipped_is_never_passed PROPERTIES LABELS build ${may_skip})
endfunction()
