# The interpreters the statfs module is built for, and those its tests run
# under, in statfs_pythons, each as <python>|<X.Y.Z>|<headers>|<module
# suffix>, the version with a "t" where it is free-threaded (3.13.5t).
#
# A cross build takes its Pythons from its toolchain file (Prepared.cmake).
# A native one finds every interpreter here (or takes STATFS_PYTHONS):
# pyenv's, the system's, Python3_EXECUTABLE (by default the python3 on
# PATH, through pyenv's shim to the real one), and those that the prepare
# target makes: Debian unstable's 3.14 and 3.15 (Prepared.cmake), Debian 11's
# Python 2.7 where there is none, and a free-threaded 3.13.
include(Prepared)
set(statfs_pythons "")
if(CMAKE_CROSSCOMPILING)
  foreach(major 2 3)
    if(STATFS_PYTHON${major}_VERSION AND NOT CMAKE_DISABLE_FIND_PACKAGE_Python${major})
      list(APPEND statfs_pythons "${STATFS_PYTHON${major}_COMMAND}|\
${STATFS_PYTHON${major}_VERSION}|${Python${major}_INCLUDE_DIR}|")
    endif()
  endforeach()
  return()
endif()

set(STATFS_PYTHONS "" CACHE STRING
  "The interpreters that the statfs module is built for and tested under (empty: all found)")
set(found "${STATFS_PYTHONS}")
if(NOT found)
  set(pyenv $ENV{PYENV_ROOT})
  if(NOT pyenv)
    set(pyenv $ENV{HOME}/.pyenv)
  endif()
  file(GLOB found "${pyenv}/versions/*/bin/python[23].*"
    "${HOSTINSPECT_CACHE}/*/usr/local/bin/python[23].*")
  list(FILTER found INCLUDE REGEX "/python[23]\\.[0-9]+t?$")
  list(SORT found COMPARE NATURAL)
  list(APPEND found /usr/bin/python3)
endif()
if(NOT Python3_EXECUTABLE)
  find_program(python3_on_path python3)
  if(python3_on_path)
    execute_process(COMMAND ${python3_on_path} -c "import sys; print(sys.executable)"
      OUTPUT_VARIABLE Python3_EXECUTABLE OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()
endif()

# Each once, whatever it is reached by; one that does not run is left out.
set(seen "")
set(python3_real "")
set(python3_build "")   # (the entry of Python3_EXECUTABLE)
if(EXISTS "${Python3_EXECUTABLE}")
  file(REAL_PATH "${Python3_EXECUTABLE}" python3_real)
endif()
foreach(python IN LISTS found Python3_EXECUTABLE)
  if(NOT EXISTS "${python}")
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

# What the tests want and a machine may lack.
if(BUILD_TESTING)
  if(NOT statfs_pythons MATCHES "(^|;)[^;|]*\\|2\\.")
    prepared(root python2.7 - bullseye python2.7 libpython2.7-dev)
  endif()
  prepared(root python3.13t source trixie python3.13 --disable-gil --without-ensurepip)
endif()
