# prepared_python_root(<out> <X.Y> <arch>)
#
# Where cmake/prepare-python keeps Python X.Y for <arch> (X.Y may be 3.13t):
# HOSTINSPECT_CACHE/pythonX.Y-<arch>.  HOSTINSPECT_CACHE (cache or
# environment, as for prepare-python) is by default /var/cache/hostinspect.
function(prepared_python_root out version arch)
  if(NOT HOSTINSPECT_CACHE)
    if(DEFINED ENV{HOSTINSPECT_CACHE})
      set(HOSTINSPECT_CACHE "$ENV{HOSTINSPECT_CACHE}")
    else()
      set(HOSTINSPECT_CACHE /var/cache/hostinspect)
    endif()
  endif()
  set(HOSTINSPECT_CACHE "${HOSTINSPECT_CACHE}" CACHE PATH
    "Where cmake/prepare-python keeps what it prepares")
  set(${out} "${HOSTINSPECT_CACHE}/python${version}-${arch}" PARENT_SCOPE)
endfunction()

# foreign_python(<major> <X.Y> <arch> <release>)
#
# For a toolchain file: Debian <release>'s Python X.Y for <arch>, as
# "cmake/prepare-python <arch> <release>" makes it.  Sets what
# Pythons.cmake and the module's tests take from a cross build: the
# headers, Python<major>_INCLUDE_DIR, and, where the toolchain file has
# an emulator, the command that runs the interpreter under it with its
# own C library, STATFS_PYTHON<major>_COMMAND (the folder's
# bin/pythonX.Y).  Where it or its headers are missing,
# STATFS_PYTHON<major>_MISSING says so and how to make them.
function(foreign_python major version arch release)
  prepared_python_root(root ${version} ${arch})
  set(include "${root}/usr/include/python${version}")
  if(NOT EXISTS "${root}/.prepared" OR NOT EXISTS "${include}/Python.h")
    set(STATFS_PYTHON${major}_MISSING "the ${arch} Python ${version} and its headers \
in ${root}, which cmake/prepare-python ${arch} ${release} makes (as root)" PARENT_SCOPE)
    return()
  endif()
  set(Python${major}_INCLUDE_DIR "${include}" PARENT_SCOPE)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    set(STATFS_PYTHON${major}_COMMAND ${root}/bin/python${version} PARENT_SCOPE)
  endif()
endfunction()
