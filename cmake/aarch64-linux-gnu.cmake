# 64-bit ARM Linux, built with clang for the target on Debian's aarch64
# cross libraries, and run under qemu-aarch64:
#
#	cmake -S . -B build-aarch64 --toolchain cmake/aarch64-linux-gnu.cmake
#
# Needs clang, libstdc++-12-dev-arm64-cross and binutils-aarch64-linux-gnu
# (Debian's aarch64 GCC would remove the multilib GCC that the 32-bit
# build needs), qemu-user to run the tests, and for the statfs module
# Debian 12's arm64 Python 3.11 as "cmake/prepare-python arm64 bookworm"
# makes it (in /var/cache/hostinspect/python3.11-arm64).  Configuring says
# what is missing of these; the tests that need it report themselves
# skipped.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET aarch64-linux-gnu)
set(CMAKE_CXX_COMPILER_TARGET aarch64-linux-gnu)

find_program(QEMU_AARCH64 qemu-aarch64)
# Without it, the tests that run programs of the target report themselves
# skipped.
if(QEMU_AARCH64)
  # The C library and loader of Debian's cross packages.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_AARCH64} -L /usr/aarch64-linux-gnu)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/ForeignPython.cmake)
foreign_python(3 3.11 arm64 bookworm)
