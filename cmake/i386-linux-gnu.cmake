# 32-bit x86 Linux, built with the host's multilib compilers and run under
# qemu-i386:
#
#	cmake -S . -B build-i386 --toolchain cmake/i386-linux-gnu.cmake
#
# Needs g++-multilib, qemu-user to run the tests, and for the statfs
# modules Debian 11's 32-bit Python 2.7 and Debian 12's 32-bit Python
# 3.11, as "cmake/prepare-python i386 bullseye" and "cmake/prepare-python
# i386 bookworm" make them (in /var/cache/hostinspect/python2.7-i386 and
# python3.11-i386).  Configuring says what is missing of these; the tests
# that need it report themselves skipped.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)

find_program(QEMU_I386 qemu-i386)
# Without it, the tests that run programs of the target report themselves
# skipped.
if(QEMU_I386)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_I386})
endif()

include(${CMAKE_CURRENT_LIST_DIR}/ForeignPython.cmake)
foreign_python(2 2.7 i386 bullseye)
foreign_python(3 3.11 i386 bookworm)
