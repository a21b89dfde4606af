# 32-bit x86 Linux, built with the host's multilib compilers and run under
# qemu-i386, with the Pythons of that architecture that cmake/Pythons.cmake
# names (its prepare target makes them):
#
#	cmake -S . -B build-i386 --toolchain cmake/i386-linux-gnu.cmake
#
# debian/rules builds the i386 packages with it too.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(DEB_HOST_ARCH i386)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)

# Without it, the tests that run the target's programs report themselves
# skipped.
find_program(QEMU_I386 qemu-i386)
if(QEMU_I386)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_I386})
endif()
