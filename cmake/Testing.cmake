# What the test suites share: GoogleTest, built here from the sources that
# Debian's googletest package installs so that a cross build gets its own,
# the tools the tests run, and the exit status by which a test reports that
# it could not run.
#
# Where a tool is missing, the deliverables are built all the same, one
# line says what is missing, and no test at all is registered: never half
# a suite.

set(SKIP_CODE 77)

set(GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(missing "")
if(NOT EXISTS ${GOOGLETEST_SOURCE}/CMakeLists.txt)
  list(APPEND missing "GoogleTest (in ${GOOGLETEST_SOURCE})")
endif()
set(tools STRACE strace IP ip)
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
if(missing)
  list(JOIN missing ", " missing)
  message(NOTICE "No tests: ${missing} missing (./check installs what the tests need).")
  set(BUILD_TESTING OFF)
  return()
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
# GCC 12 warns wrongly of overlapping copies inside std::string.
target_compile_options(gtest PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
include(GoogleTest)
