# Interpreters that a machine may lack, each made by cmake/prepare in a
# folder of its own under HOSTINSPECT_CACHE.  A build's "prepare" target
# (run as root) makes those its configuration asked for, and configuring
# again finds them.
include_guard(GLOBAL)
set(HOSTINSPECT_CACHE /var/cache/hostinspect CACHE PATH
  "Where cmake/prepare keeps the interpreters it prepares")

# prepared(<out> <folder> <cmake/prepare argument>...): <out> is the
# folder, which the prepare target makes.
function(prepared out folder)
  set(root ${HOSTINSPECT_CACHE}/${folder})
  set_property(GLOBAL APPEND PROPERTY prepare_commands
    COMMAND ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/prepare ${root} ${ARGN})
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# Debian unstable's 3.14 and 3.15, 3.15's headers (for the abi3t module),
# auditwheel, which ./package runs under each architecture's Python 3, and
# pip's wheel, which pip runs from under a 3.15 that has no pip.
prepared(STATFS_UNSTABLE unstable - sid python3.14 python3.15 python3.15-dev
  python3-auditwheel python3-pip-whl python3-setuptools-whl)

# foreign_python(<major> <X.Y> <release>): for a toolchain file, Debian
# <release>'s Python X.Y for DEB_HOST_ARCH.  Sets its version,
# STATFS_PYTHON<major>_VERSION, its headers, Python<major>_INCLUDE_DIR
# (unless given), and where the toolchain file has an emulator, a command
# that runs it there with its own C library, STATFS_PYTHON<major>_COMMAND
# (a script that configuring writes); while it is not prepared,
# STATFS_PYTHON<major>_MISSING says so.
function(foreign_python major version release)
  prepared(root python${version}-${DEB_HOST_ARCH} ${DEB_HOST_ARCH} ${release}
    python${version} libpython${version}-dev)
  set(STATFS_PYTHON${major}_VERSION ${version} PARENT_SCOPE)
  if(NOT EXISTS ${root}/.prepared OR NOT EXISTS ${root}/usr/include/python${version}/Python.h)
    set(STATFS_PYTHON${major}_MISSING "the ${DEB_HOST_ARCH} Python ${version} and its headers \
in ${root}, which the prepare target makes (as root)" PARENT_SCOPE)
    return()
  endif()
  if(NOT Python${major}_INCLUDE_DIR)
    set(Python${major}_INCLUDE_DIR ${root}/usr/include/python${version} PARENT_SCOPE)
  endif()
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 qemu)
    set(python ${CMAKE_BINARY_DIR}/python${version})
    file(CONFIGURE OUTPUT ${python} CONTENT "#!/bin/sh\nexec ${qemu} -L ${root} \
-E LD_LIBRARY_PATH=/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE} ${root}/usr/bin/python${version} \"$@\"\n")
    file(CHMOD ${python} FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    set(STATFS_PYTHON${major}_COMMAND ${python} PARENT_SCOPE)
  endif()
endfunction()
