# Linux on another architecture, the row of cmake/architectures that
# DEB_HOST_ARCH names: built by clang for the row's triple on a root of
# the row's Debian release (its C library, GCC's C++ library and
# GoogleTest), which configuring has cmake/prepare make in
# HOSTINSPECT_CACHE, and run under the row's qemu-user with that root as
# the programs' own; the Pythons of that architecture are those of
# cmake/Pythons.cmake, each in a root of its own (the build's prepare
# target makes them).  Of this machine it takes the compiler, the linker
# and the emulator alone:
#
#	cmake -S . -B build-arm64 --toolchain cmake/cross.cmake -DDEB_HOST_ARCH=arm64
set(CMAKE_SYSTEM_NAME Linux)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DEB_HOST_ARCH HOSTINSPECT_CACHE)
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/architectures row REGEX "^${DEB_HOST_ARCH} ")
string(REGEX REPLACE " +" ";" row "${row}")
list(POP_FRONT row arch triple processor qemu release gcc manylinux)
if(NOT DEB_HOST_ARCH OR NOT manylinux)
  message(FATAL_ERROR "DEB_HOST_ARCH is \"${DEB_HOST_ARCH}\": give an architecture of cmake/architectures")
endif()
set(CMAKE_SYSTEM_PROCESSOR ${processor})
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
include(${CMAKE_CURRENT_LIST_DIR}/Cache.cmake)
set(CMAKE_SYSROOT ${HOSTINSPECT_CACHE}/${arch})
foreach(kind LIBRARY INCLUDE PACKAGE)
  set(CMAKE_FIND_ROOT_PATH_MODE_${kind} ONLY)
endforeach()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
get_property(trying GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT trying)
  execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/prepare ${CMAKE_SYSROOT} ${arch} ${release}
    libc6-dev libstdc++-${gcc}-dev libgtest-dev OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
endif()

# Without it, the tests that run the target's programs report themselves
# skipped.
find_program(QEMU_${arch} ${qemu})
if(QEMU_${arch})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_${arch}} -L ${CMAKE_SYSROOT})
endif()
