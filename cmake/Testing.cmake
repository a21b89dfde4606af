# What the test suites share: GoogleTest, built here from the sources that
# Debian's googletest package installs so that a cross build gets its own,
# and the exit status by which a test reports that it could not run.

set(SKIP_CODE 77)

set(GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources at ${GOOGLETEST_SOURCE} "
    "(apt-get install googletest, or set GOOGLETEST_SOURCE)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
# GCC 12 warns wrongly of overlapping copies inside std::string.
target_compile_options(gtest PRIVATE -Wno-restrict)
include(GoogleTest)
