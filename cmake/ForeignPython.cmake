# prepared_python_root(<out> <X.Y> <arch>)
#
# Where "cmake/prepare-python <arch> <release>" keeps Python X.Y for <arch>:
# <ARCH>_PYTHON_ROOT (cache or environment), by default
# /var/cache/hostinspect/pythonX.Y-<arch>.
function(prepared_python_root out version arch)
  string(TOUPPER "${arch}_PYTHON_ROOT" var)
  if(NOT ${var})
    if(DEFINED ENV{${var}})
      set(${var} "$ENV{${var}}")
    else()
      set(${var} "/var/cache/hostinspect/python${version}-${arch}")
    endif()
  endif()
  set(${var} "${${var}}" CACHE PATH "Debian's ${arch} Python ${version}")
  set(${out} "${${var}}" PARENT_SCOPE)
endfunction()

# foreign_python(<major> <X.Y> <arch> <release> <triplet> <emulator>...)
#
# For a toolchain file: Debian <release>'s Python X.Y for <arch>, as
# prepare-python makes it (see above).  Sets what
# Pythons.cmake and the module's tests take from a cross build: the
# headers, Python<major>_INCLUDE_DIR, and the command that runs the
# interpreter under the emulator with its own C library,
# STATFS_PYTHON<major>_COMMAND.  Where it is missing, configuring stops and
# says how to make it.
function(foreign_python major version arch release triplet)
  prepared_python_root(root ${version} ${arch})
  if(NOT EXISTS "${root}/.prepared")
    get_filename_component(here "${CMAKE_CURRENT_FUNCTION_LIST_DIR}" ABSOLUTE)
    message(FATAL_ERROR "No ${arch} Python ${version} in ${root}. Make it with "
      "${here}/prepare-python ${arch} ${release} \"${root}\" (as root).")
  endif()
  set(Python${major}_INCLUDE_DIR "${root}/usr/include/python${version}" PARENT_SCOPE)
  set(STATFS_PYTHON${major}_COMMAND ${ARGN} -L ${root}
    -E LD_LIBRARY_PATH=/lib/${triplet}:/usr/lib/${triplet}
    ${root}/usr/bin/python${version} PARENT_SCOPE)
endfunction()
