# 64-bit ARM Linux, built with clang for the target on Debian's aarch64
# cross libraries, and run under qemu-aarch64:
#
#	cmake -S . -B build-aarch64 --toolchain cmake/aarch64-linux-gnu.cmake
#
# Needs clang, libstdc++-12-dev-arm64-cross, binutils-aarch64-linux-gnu and
# qemu-user (Debian's aarch64 GCC would remove the multilib GCC that the
# 32-bit build needs), and for the statfs module Debian 12's arm64 Python
# 3.11 as "cmake/prepare-python arm64 bookworm" makes it (in
# /var/cache/hostinspect/python3.11-arm64).

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET aarch64-linux-gnu)
set(CMAKE_CXX_COMPILER_TARGET aarch64-linux-gnu)

find_program(QEMU_AARCH64 qemu-aarch64)
if(NOT QEMU_AARCH64)
  message(FATAL_ERROR "qemu-aarch64 is needed to run aarch64 programs here "
    "(apt-get install qemu-user)")
endif()
# The C library and loader of Debian's cross packages.
set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_AARCH64} -L /usr/aarch64-linux-gnu)

include(${CMAKE_CURRENT_LIST_DIR}/ForeignPython.cmake)
foreign_python(3 3.11 arm64 bookworm)
