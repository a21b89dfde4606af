# The interpreters the statfs module is built for, and those its tests run
# under.  A cross build takes its Pythons from its toolchain file
# (Prepared.cmake).  A native one finds every interpreter here (or takes
# STATFS_PYTHONS): pyenv's, the system's, and those the prepare target
# makes, which are Debian 11's Python 2.7 where there is none, Debian
# unstable's 3.14 (Prepared.cmake) and a free-threaded 3.13.  It builds
# the stable-ABI module for Python3_EXECUTABLE (by default the python3 on
# PATH, through pyenv's shim to the real one), the Python 2 one for the
# first 2.7 found, and one for each free-threaded CPython, against its full
# API.
include(Prepared)
if(CMAKE_CROSSCOMPILING)
  foreach(major 2 3)
    if(Python${major}_INCLUDE_DIR AND NOT CMAKE_DISABLE_FIND_PACKAGE_Python${major})
      find_package(Python${major} REQUIRED COMPONENTS Development.Module)
    endif()
  endforeach()
  return()
endif()

# python_build(<python>): its version, python_version (empty where it does
# not run), whether it is free-threaded, python_free_threaded, its headers,
# python_include, its modules' suffix, python_suffix, and its prefix,
# python_prefix.
function(python_build python)
  set(python_version "" PARENT_SCOPE)
  execute_process(COMMAND ${python} -c "import sys, sysconfig
v = sysconfig.get_config_var
print('%d.%d.%d' % sys.version_info[:3])
print(v('Py_GIL_DISABLED') or 0)
print(sysconfig.get_path('include'))
print(v('EXT_SUFFIX') or v('SO'))
print(sys.prefix)"
    OUTPUT_VARIABLE answer OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc
    ERROR_QUIET)
  if(rc EQUAL 0 AND answer MATCHES "^([0-9.]+)\n([01])\n([^\n]*)\n([^\n]*)\n([^\n]*)$")
    set(python_version ${CMAKE_MATCH_1} PARENT_SCOPE)
    set(python_free_threaded ${CMAKE_MATCH_2} PARENT_SCOPE)
    set(python_include ${CMAKE_MATCH_3} PARENT_SCOPE)
    set(python_suffix ${CMAKE_MATCH_4} PARENT_SCOPE)
    set(python_prefix ${CMAKE_MATCH_5} PARENT_SCOPE)
  endif()
endfunction()

# Every interpreter here, or those given.
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
  if(EXISTS /usr/bin/python3)
    list(APPEND found /usr/bin/python3)
  endif()
endif()

if(NOT Python3_EXECUTABLE)
  find_program(python3_on_path python3)
  if(python3_on_path)
    execute_process(COMMAND ${python3_on_path} -c "import sys; print(sys.executable)"
      OUTPUT_VARIABLE Python3_EXECUTABLE OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()
endif()
find_package(Python3 QUIET COMPONENTS Interpreter Development.Module)
if(NOT Python2_EXECUTABLE)
  foreach(python IN LISTS found)
    if(python MATCHES "python2\\.7$")
      set(Python2_EXECUTABLE ${python})
      break()
    endif()
  endforeach()
endif()
find_package(Python2 2.7 QUIET COMPONENTS Interpreter Development.Module)

# What the tests want and a machine may lack.
if(BUILD_TESTING)
  if(NOT Python2_Interpreter_FOUND)
    prepared(root python2.7 - bullseye python2.7 libpython2.7-dev)
  endif()
  prepared(root python3.13t source trixie python3.13 --disable-gil --without-ensurepip)
endif()

# Each interpreter as <python>|<version>|<free-threaded>, and the
# free-threaded ones, which get modules of their own, as
# <python>|<version>|<headers>|<suffix>.
set(statfs_pythons "")
set(statfs_free_threaded "")
set(seen "")
if(Python3_EXECUTABLE)
  file(REAL_PATH "${Python3_EXECUTABLE}" python3)
endif()
# (each once, whatever it is reached by)
foreach(python IN LISTS found Python3_EXECUTABLE)
  file(REAL_PATH "${python}" real)
  if(real IN_LIST seen)
    continue()
  endif()
  list(APPEND seen "${real}")
  python_build(${python})
  if(NOT python_version)
    message(STATUS "statfs: ${python} does not run: left out")
    continue()
  elseif("${python_prefix}|${python_version}|${python_free_threaded}" IN_LIST seen)
    continue()
  endif()
  list(APPEND seen "${python_prefix}|${python_version}|${python_free_threaded}")
  list(APPEND statfs_pythons "${python}|${python_version}|${python_free_threaded}")
  if(real STREQUAL python3)
    set(python3_free_threaded ${python_free_threaded})
  endif()
  if(python_free_threaded)
    list(APPEND statfs_free_threaded "${python}|${python_version}|${python_include}|${python_suffix}")
  endif()
endforeach()
