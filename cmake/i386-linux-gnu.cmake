# 32-bit x86 Linux, built with the host's multilib compilers and run under
# qemu-i386:
#
#	cmake -S . -B build-i386 --toolchain cmake/i386-linux-gnu.cmake
#
# Needs g++-multilib and qemu-user, and for the statfs module a 32-bit
# Python 2.7 as "cmake/prepare-python i386 bullseye" makes it (in
# I386_PYTHON_ROOT, by default /var/cache/hostinspect/python2.7-i386).

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)

find_program(QEMU_I386 qemu-i386)
if(NOT QEMU_I386)
  message(FATAL_ERROR "qemu-i386 is needed to run 32-bit programs here "
    "(apt-get install qemu-user)")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_I386})

if(NOT I386_PYTHON_ROOT)
  if(DEFINED ENV{I386_PYTHON_ROOT})
    set(I386_PYTHON_ROOT "$ENV{I386_PYTHON_ROOT}")
  else()
    set(I386_PYTHON_ROOT "/var/cache/hostinspect/python2.7-i386")
  endif()
endif()
set(I386_PYTHON_ROOT "${I386_PYTHON_ROOT}" CACHE PATH "The 32-bit Python 2.7")
if(NOT EXISTS "${I386_PYTHON_ROOT}/.prepared")
  get_filename_component(here "${CMAKE_CURRENT_LIST_DIR}" ABSOLUTE)
  message(FATAL_ERROR "No 32-bit Python 2.7 in ${I386_PYTHON_ROOT}. Make it "
    "with ${here}/prepare-python i386 bullseye \"${I386_PYTHON_ROOT}\" (as root).")
endif()

# What Pythons.cmake takes from a cross build: where the headers are, and
# the command that runs the interpreter (with its own C library).
set(Python2_INCLUDE_DIR "${I386_PYTHON_ROOT}/usr/include/python2.7")
set(STATFS_PYTHON2_COMMAND ${QEMU_I386} -L ${I386_PYTHON_ROOT}
  -E LD_LIBRARY_PATH=/lib/i386-linux-gnu:/usr/lib/i386-linux-gnu
  ${I386_PYTHON_ROOT}/usr/bin/python2.7)
