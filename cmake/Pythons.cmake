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
    include(ForeignPython)
    prepared_python_root(prepared 2.7 amd64)
    if(NOT python27 AND EXISTS "${prepared}/.prepared")
      set(Python2_EXECUTABLE "${prepared}/bin/python2.7")
      set(Python2_INCLUDE_DIR "${prepared}/usr/include/python2.7")
    endif()
  endif()
endif()
set(Python2_FIND_STRATEGY LOCATION)
find_package(Python2 2.7 COMPONENTS Interpreter Development.Module)
if(Python2_Development.Module_FOUND)
  message(STATUS "statfs: Python 2.7 is ${Python2_EXECUTABLE}")
endif()

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
find_package(Python3 COMPONENTS Interpreter Development.Module)

# Every interpreter on the machine, by default: the Python 2.7 above,
# each CPython 3 that pyenv holds, the system's python3 and the one built
# for.  All the Python 3 ones load the same stable-ABI module.
if(NOT DEFINED STATFS_TEST_PYTHONS)
  set(found ${Python2_EXECUTABLE})
  foreach(versions IN LISTS pyenv_versions)
    file(GLOB pys "${versions}/3.*/bin/python3")
    list(SORT pys COMPARE NATURAL)
    list(APPEND found ${pys})
  endforeach()
  if(EXISTS /usr/bin/python3)
    list(APPEND found /usr/bin/python3)
  endif()
  list(APPEND found ${Python3_EXECUTABLE})
  set(pythons "")
  set(seen "")
  foreach(py IN LISTS found)
    file(REAL_PATH "${py}" real)
    if(NOT real IN_LIST seen)
      list(APPEND seen "${real}")
      list(APPEND pythons "${py}")
    endif()
  endforeach()
  set(STATFS_TEST_PYTHONS "${pythons}" CACHE STRING
    "The interpreters the statfs module's tests run under")
endif()
