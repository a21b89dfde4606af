# The interpreters the statfs module is built for, and those its tests run
# under.
#
# Python 2.7 is looked for where pyenv keeps it (it is not on PATH as
# python2 on these machines), then in the usual places, then as
# "cmake/prepare-python amd64 bullseye" makes it where a machine has none;
# Python 3 is the python3 on PATH, resolved through pyenv's shim to the
# real interpreter.  A cross build builds for the Pythons whose headers
# and command its toolchain file gives (ForeignPython.cmake).

if(CMAKE_CROSSCOMPILING)
  foreach(major 2 3)
    if(Python${major}_INCLUDE_DIR)
      find_package(Python${major} REQUIRED COMPONENTS Development.Module)
    endif()
  endforeach()
  return()
endif()
include(ForeignPython)

set(pyenv_versions "")
foreach(pyenv "$ENV{PYENV_ROOT}" "$ENV{HOME}/.pyenv" "/root/.pyenv")
  if(pyenv AND IS_DIRECTORY "${pyenv}/versions")
    list(APPEND pyenv_versions "${pyenv}/versions")
  endif()
endforeach()
list(REMOVE_DUPLICATES pyenv_versions)

if(NOT Python2_ROOT_DIR AND NOT Python2_EXECUTABLE)
  set(roots "")
  foreach(versions IN LISTS pyenv_versions)
    file(GLOB found LIST_DIRECTORIES true "${versions}/2.7*")
    list(APPEND roots ${found})
  endforeach()
  if(roots)
    list(SORT roots COMPARE NATURAL ORDER DESCENDING)
    list(GET roots 0 Python2_ROOT_DIR)
  else()
    find_program(python27 python2.7)
    prepared_python_root(prepared 2.7 amd64)
    if(NOT python27 AND EXISTS "${prepared}/.prepared")
      set(Python2_EXECUTABLE "${prepared}/bin/python2.7")
      set(Python2_INCLUDE_DIR "${prepared}/usr/include/python2.7")
    endif()
  endif()
endif()
set(Python2_FIND_STRATEGY LOCATION)
# Quietly: statfs/CMakeLists.txt says in one line what is missing.
find_package(Python2 2.7 QUIET COMPONENTS Interpreter Development.Module)

if(NOT Python3_EXECUTABLE)
  find_program(python3_on_path python3)
  if(python3_on_path)
    execute_process(COMMAND ${python3_on_path} -c "import sys; print(sys.executable)"
      OUTPUT_VARIABLE exe OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
    if(rc EQUAL 0 AND EXISTS "${exe}")
      set(Python3_EXECUTABLE ${exe})
    endif()
  endif()
endif()
find_package(Python3 QUIET COMPONENTS Interpreter Development.Module)

# python_build(<python>): its version, python_version (empty where it does
# not run), and whether it is a free-threaded build (one without the GIL,
# which the stable ABI does not serve), python_free_threaded.
function(python_build python)
  set(python_version "" PARENT_SCOPE)
  set(python_free_threaded FALSE PARENT_SCOPE)
  execute_process(COMMAND ${python} -c "import sys, sysconfig
print('%d.%d.%d' % sys.version_info[:3])
print(sysconfig.get_config_var('Py_GIL_DISABLED') or 0)"
    OUTPUT_VARIABLE answer OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc
    ERROR_QUIET)
  if(NOT rc EQUAL 0 OR NOT answer MATCHES "^[0-9.]+\n[01]$")
    return()
  endif()
  string(REPLACE "\n" ";" answer "${answer}")
  list(GET answer 0 version)
  list(GET answer 1 free)
  set(python_version ${version} PARENT_SCOPE)
  if(free STREQUAL "1")
    set(python_free_threaded TRUE PARENT_SCOPE)
  else()
    set(python_free_threaded FALSE PARENT_SCOPE)
  endif()
endfunction()

set(STATFS_TEST_PYTHONS "" CACHE STRING
  "The interpreters the statfs module's tests run under (empty: those found)")
set(STATFS_FREE_THREADED_PYTHONS "" CACHE STRING
  "Free-threaded interpreters, which must refuse the stable-ABI module (empty: those found)")

# Every interpreter on the machine, by default: the Python 2.7 above, each
# CPython 3 that pyenv holds, the system's python3, the prepared 3.14 and
# 3.13t, and the one built for.  All the Python 3 ones load the same
# stable-ABI module, except the free-threaded ones, which are listed apart.
# A free-threaded build (STATFS_FREE_THREADED_BUILD: Python3_EXECUTABLE is
# free-threaded) is a build for that one interpreter alone.
set(STATFS_FREE_THREADED_BUILD FALSE)
if(Python3_Interpreter_FOUND)
  python_build(${Python3_EXECUTABLE})
  set(STATFS_FREE_THREADED_BUILD ${python_free_threaded})
endif()
set(free_threaded_build ${STATFS_FREE_THREADED_BUILD})
set(found "")
if(NOT free_threaded_build)
  if(Python2_Interpreter_FOUND)
    list(APPEND found ${Python2_EXECUTABLE})
  endif()
  foreach(versions IN LISTS pyenv_versions)
    file(GLOB pys "${versions}/3.*/bin/python3" "${versions}/3.*t/bin/python3.*t")
    list(SORT pys COMPARE NATURAL)
    list(APPEND found ${pys})
  endforeach()
  if(EXISTS /usr/bin/python3)
    list(APPEND found /usr/bin/python3)
  endif()
  foreach(version 3.14 3.13t)
    prepared_python_root(prepared ${version} amd64)
    if(EXISTS "${prepared}/.prepared")
      list(APPEND found "${prepared}/bin/python${version}")
    endif()
  endforeach()
endif()
if(Python3_Interpreter_FOUND)
  list(APPEND found ${Python3_EXECUTABLE})
endif()
set(pythons "")
set(free_pythons "")
set(seen "")
foreach(py IN LISTS found)
  file(REAL_PATH "${py}" real)
  if(real IN_LIST seen)
    continue()
  endif()
  list(APPEND seen "${real}")
  python_build(${py})
  if(NOT python_version)
    message(STATUS "statfs: ${py} does not run: left out")
    continue()
  endif()
  set(note "")
  if(python_free_threaded AND free_threaded_build)
    set(note ", free-threaded: the build is for it")
  elseif(python_free_threaded)
    set(note ", free-threaded: not for the stable-ABI module")
  endif()
  message(STATUS "statfs: found Python ${python_version} ${py}${note}")
  if(python_free_threaded AND NOT free_threaded_build)
    list(APPEND free_pythons "${py}")
  else()
    list(APPEND pythons "${py}")
  endif()
endforeach()
if(NOT STATFS_TEST_PYTHONS)
  set(STATFS_TEST_PYTHONS "${pythons}")
endif()
if(NOT STATFS_FREE_THREADED_PYTHONS)
  set(STATFS_FREE_THREADED_PYTHONS "${free_pythons}")
endif()

# What scripts (check, check-install, bench/statfs) need of this
# configuration, as shell assignments in a file of its own, pythons.sh.
set(python2 "")
if(Python2_Development.Module_FOUND)
  set(python2 "${Python2_EXECUTABLE}")
endif()
foreach(list test_pythons free_threaded_pythons)
  string(TOUPPER "STATFS_${list}" var)
  set(${list} "")
  foreach(py IN LISTS ${var})
    string(APPEND ${list} " '${py}'")
  endforeach()
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/pythons.sh CONTENT [[
# Written by configuring: the interpreters of this build.
python2='@python2@'
test_pythons=(@test_pythons@ )
free_threaded_pythons=(@free_threaded_pythons@ )
]] @ONLY)
