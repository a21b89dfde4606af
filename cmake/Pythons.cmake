# The interpreters the statfs module is built for, and those its tests run
# under, in statfs_pythons, each as <python>|<X.Y.Z>|<headers>|<module
# suffix>, the version with a "t" where it is free-threaded (3.13.5t).
#
# The suite expects the interpreters of this table, a row each: its version
# (with a "t" where it is free-threaded), where the build's prepare target
# takes it from where the machine lacks it, and the Debian architectures
# it is tested on (amd64: this machine's build; the others: those of the
# rows of cmake/architectures, which run under qemu):
#   RELEASE          Debian RELEASE's pythonX.Y with its headers
#   source:RELEASE   CPython built by its own configure from the upstream
#                    tarball of Debian RELEASE's pythonX.Y source
#   pyenv            pyenv's alone: no Debian release in the archive has it
# Each is prepared by cmake/prepare in a folder of its own under
# HOSTINSPECT_CACHE; Debian unstable's (sid) share one, with the tools that
# ./package and ./check-install run from it (STATFS_UNSTABLE): auditwheel,
# and pip's and setuptools' wheels.
set(statfs_expected
  "2.7    bullseye        amd64 i386"
  "3.6    pyenv           amd64"
  "3.7    pyenv           amd64"
  "3.8    pyenv           amd64"
  "3.9    bullseye        amd64"
  "3.10   pyenv           amd64"
  "3.11   bookworm        amd64 i386 arm64 armel armhf ppc64el s390x"
  "3.12   pyenv           amd64"
  "3.13   trixie          amd64 riscv64"
  "3.13t  source:trixie   amd64"
  "3.14   sid             amd64"
  "3.15   sid             amd64")
include(Cache)

# A native build finds every interpreter here (or takes STATFS_PYTHONS):
# pyenv's, the system's, Python3_EXECUTABLE (by default the python3 on
# PATH, through pyenv's shim to the real one) and those prepared; a cross
# build takes its architecture's rows, each run under the emulator with
# its own C library by a script that configuring writes.
set(statfs_pythons "")
set(arch amd64)
set(prepare_arch -)   # (cmake/prepare's name for this machine's)
set(STATFS_PYTHONS "" CACHE STRING
  "The interpreters that the statfs module is built for and tested under (empty: all found)")
set(found "${STATFS_PYTHONS}")
if(CMAKE_CROSSCOMPILING)
  set(arch ${DEB_HOST_ARCH})
  set(prepare_arch ${arch})
elseif(NOT found)
  file(GLOB found "$ENV{PYENV_ROOT}/versions/*/bin/python[23].*"
    "$ENV{HOME}/.pyenv/versions/*/bin/python[23].*" "${HOSTINSPECT_CACHE}/*/usr/local/bin/python[23].*")
  list(FILTER found INCLUDE REGEX "/python[23]\\.[0-9]+t?$")
  list(SORT found COMPARE NATURAL)
  list(APPEND found /usr/bin/python3)
endif()
if(NOT Python3_EXECUTABLE AND NOT CMAKE_CROSSCOMPILING)
  execute_process(COMMAND python3 -c "import sys; print(sys.executable)"
    OUTPUT_VARIABLE Python3_EXECUTABLE OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()

# Each once, whatever it is reached by; one that does not run is left out.
set(seen "")
set(python3_real "")
set(python3_build "")   # (the entry of Python3_EXECUTABLE)
if(EXISTS "${Python3_EXECUTABLE}")
  file(REAL_PATH "${Python3_EXECUTABLE}" python3_real)
endif()
foreach(python IN LISTS found Python3_EXECUTABLE)
  if(NOT EXISTS "${python}" OR CMAKE_CROSSCOMPILING)
    continue()
  endif()
  file(REAL_PATH "${python}" real)
  if(real IN_LIST seen)
    continue()
  endif()
  list(APPEND seen "${real}")
  execute_process(COMMAND ${python} -c "import sys, sysconfig
v = sysconfig.get_config_var
print('|'.join(['%d.%d.%d' % sys.version_info[:3] + ('t' if v('Py_GIL_DISABLED') else ''),
  sysconfig.get_path('include'), v('EXT_SUFFIX') or v('SO'), sys.prefix]))"
    OUTPUT_VARIABLE answer OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  string(REGEX REPLACE "\\|[^|]*$" "" build "${answer}")
  if(NOT answer MATCHES "^[23]\\.")
    message(STATUS "statfs: ${python} does not run: left out")
    continue()
  elseif(NOT answer IN_LIST seen)
    list(APPEND seen "${answer}")
    list(APPEND statfs_pythons "${python}|${build}")
  endif()
  if(real STREQUAL python3_real)
    set(python3_build "${python}|${build}")
  endif()
endforeach()

# The rows of this build's architecture: a cross build's Pythons, and what
# is missing of them, which the prepare target makes where it can.  Those
# that this build does not test are named in statfs_untested, each with
# why.
set(statfs_untested "")
set(packages "")   # (Debian unstable's)
foreach(row IN LISTS statfs_expected)
  string(REGEX REPLACE " +" ";" row "${row}")
  list(POP_FRONT row version from)
  string(REGEX MATCH "^([23])\\.[0-9]+" minor ${version})
  set(major ${CMAKE_MATCH_1})
  string(REGEX MATCH "t$" t ${version})
  set(folder python${version})
  set(args ${prepare_arch} ${from} python${minor} libpython${minor}-dev)
  set(where "Debian ${from}'s")
  if(from STREQUAL "sid")
    set(folder unstable)
    list(APPEND packages python${minor} libpython${minor}-dev)
  elseif(from MATCHES "^source:(.*)")
    set(args source ${CMAKE_MATCH_1} python${minor} --disable-gil --without-ensurepip)
    set(where "built from Debian ${CMAKE_MATCH_1}'s source")
  endif()
  if(NOT arch IN_LIST row OR (NOT CMAKE_CROSSCOMPILING AND
      statfs_pythons MATCHES "\\|${minor}\\.[0-9]+${t}\\|"))
    continue()   # (found natively: 3.13 is 3.13.0, not 3.13.5t)
  elseif(from STREQUAL "pyenv")
    list(APPEND statfs_untested "${version} (pyenv's alone: pyenv install ${version})")
    continue()
  elseif(CMAKE_CROSSCOMPILING)
    string(APPEND folder -${arch})
    set(STATFS_PYTHON${major}_VERSION ${minor})
  endif()
  set(root ${HOSTINSPECT_CACHE}/${folder})
  set(include ${root}/usr/include/python${minor})
  if(NOT from STREQUAL "sid")
    list(APPEND prepare COMMAND ${CMAKE_CURRENT_LIST_DIR}/prepare ${root} ${args})
  endif()
  set(ready FALSE)
  if(EXISTS ${root}/.prepared AND EXISTS ${include}/Python.h)
    set(ready TRUE)
  else()
    set(STATFS_PYTHON${major}_MISSING "the ${arch} Python ${minor} and its headers in ${root}, \
which the prepare target makes")
    list(APPEND statfs_untested "${version} (${where}, which the prepare target makes)")
  endif()
  if(CMAKE_CROSSCOMPILING AND NOT CMAKE_DISABLE_FIND_PACKAGE_Python${major})
    if(ready AND NOT Python${major}_INCLUDE_DIR)
      set(Python${major}_INCLUDE_DIR ${include})
    endif()
    set(python "")
    if(ready AND CMAKE_CROSSCOMPILING_EMULATOR)
      list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 qemu)
      set(python ${CMAKE_BINARY_DIR}/python${minor})
      file(CONFIGURE OUTPUT ${python} CONTENT "#!/bin/sh\nexec ${qemu} -L ${root} \
${root}/usr/bin/python${minor} \"$@\"\n")
      file(CHMOD ${python} FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
      set(STATFS_PYTHON${major}_COMMAND ${python})
    endif()
    list(APPEND statfs_pythons "${python}|${minor}|${Python${major}_INCLUDE_DIR}|")
  endif()
endforeach()
set(STATFS_UNSTABLE ${HOSTINSPECT_CACHE}/unstable)
list(APPEND prepare COMMAND ${CMAKE_CURRENT_LIST_DIR}/prepare ${STATFS_UNSTABLE} - sid ${packages}
  python3-auditwheel python3-pip-whl python3-setuptools-whl)
# The prepare target: cmake/prepare, for each folder that the rows above
# found missing (one already made with the same arguments is left alone).
add_custom_target(prepare ${prepare} VERBATIM)
if(statfs_untested)
  list(JOIN statfs_untested ", " untested)
  message(NOTICE "Not here for the statfs tests: ${untested}.")
endif()
