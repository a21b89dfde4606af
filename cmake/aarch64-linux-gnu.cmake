# 64-bit ARM Linux, built with clang for the target on Debian's aarch64
# cross libraries (Debian's aarch64 GCC would remove g++-multilib), and run
# under qemu-aarch64, with the Pythons of that architecture that
# cmake/Pythons.cmake names (its prepare target makes them):
#
#	cmake -S . -B build-aarch64 --toolchain cmake/aarch64-linux-gnu.cmake
#
# debian/rules builds the arm64 packages with it too.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(DEB_HOST_ARCH arm64)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET aarch64-linux-gnu)
set(CMAKE_CXX_COMPILER_TARGET aarch64-linux-gnu)

# Without it, the tests that run the target's programs report themselves
# skipped.  (The C library and loader are those of Debian's cross packages.)
find_program(QEMU_AARCH64 qemu-aarch64)
if(QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_AARCH64} -L /usr/aarch64-linux-gnu)
endif()
