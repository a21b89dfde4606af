# The module's tests: test_statfs.py, one class at a time in a fresh
# interpreter, under every interpreter of STATFS_TEST_PYTHONS.  A cross
# build gives the command that runs its interpreter as
# STATFS_PYTHON<major>_COMMAND instead.  Where the module is not built,
# or its interpreter cannot run here, the same tests are registered and
# report themselves skipped, saying why.

add_library(statfs_preload MODULE test_preload.cpp)
target_link_libraries(statfs_preload PRIVATE ${CMAKE_DL_LIBS})
libc_only(statfs_preload)

set(classes Interface Faults Sizes Errors Threads Tmpfs Statvfs Leaks Stress
  Subinterpreters)

# add_statfs_tests(<name> <X.Y.Z> <classes> <python command>...): the
# classes (a list) under that interpreter, as statfs_<name>_<class>.
# Subinterpreters before Python 3.12 skips by design: its test is
# labelled "inapplicable" there, to tell it from a test that something
# missing made skip.
function(add_statfs_tests name version classes)
  string(REGEX MATCH "^[0-9]+" major "${version}")
  string(REGEX MATCH "^[0-9.]+" version "${version}")
  if(CMAKE_CROSSCOMPILING)
    set(preload "QEMU_SET_ENV=LD_PRELOAD=$<TARGET_FILE:statfs_preload>")
    # and under the emulator, a tenth of the stress test's calls
    list(APPEND preload "STATFS_STRESS_CALLS=2000")
  else()
    set(preload "LD_PRELOAD=$<TARGET_FILE:statfs_preload>")
  endif()
  foreach(class IN LISTS classes)
    set(module statfs_py${major})
    if(class STREQUAL "Faults")
      set(module statfs_py${major}_faulty)
    endif()
    set(labels statfs python${major})
    if(class STREQUAL "Subinterpreters" AND version VERSION_LESS 3.12)
      list(APPEND labels inapplicable)
    endif()
    add_test(NAME statfs_${name}_${class}
      COMMAND ${ARGN} -B -W error ${CMAKE_CURRENT_SOURCE_DIR}/test_statfs.py ${class})
    set_tests_properties(statfs_${name}_${class} PROPERTIES
      LABELS "${labels}" SKIP_RETURN_CODE ${SKIP_CODE}
      ENVIRONMENT "PYTHONPATH=$<TARGET_FILE_DIR:${module}>;${preload}")
  endforeach()
endfunction()

# add_statfs_stubs(<name> <major> <classes> <why>): the tests that
# add_statfs_tests would add, each reported skipped for <why>.
function(add_statfs_stubs name major classes why)
  foreach(class IN LISTS classes)
    add_skipped_test(statfs_${name}_${class} "statfs;python${major}" "${why}")
  endforeach()
endfunction()

foreach(major 2 3)
  if(NOT TARGET statfs_py${major})
    continue()
  endif()
  # The module as the Faults tests load it: the same source, its calls of
  # the interpreter functions that can fail bound to test_preload's
  # stand-ins (an interpreter that binds its own names inside its
  # executable cannot have them interposed otherwise).
  set(faulty statfs_py${major}_faulty)
  statfs_module(${faulty} ${major} ${CMAKE_CURRENT_BINARY_DIR}/faulty${major})
  target_link_options(${faulty} PRIVATE -Wl,--wrap=PyString_FromString
    -Wl,--wrap=PyUnicode_FromString -Wl,--wrap=PyDict_SetItemString
    -Wl,--wrap=PyInt_FromLong -Wl,--wrap=PyLong_FromLong
    -Wl,--wrap=PyLong_FromUnsignedLongLong -Wl,--wrap=PyTuple_New
    -Wl,--wrap=PyNumber_Multiply -Wl,--wrap=PyNumber_Rshift)
endforeach()

set(tested "")
if(CMAKE_CROSSCOMPILING)
  foreach(major 2 3)
    if(STATFS_PYTHON${major}_COMMAND AND TARGET statfs_py${major})
      add_statfs_tests(py${major} ${Python${major}_VERSION} "${classes}"
        ${STATFS_PYTHON${major}_COMMAND})
    elseif(TARGET statfs_py${major})
      add_statfs_stubs(py${major} ${major} "${classes}" "${no_emulator}")
    elseif(statfs_unbuilt_py${major})
      add_statfs_stubs(py${major} ${major} "${classes}" "${statfs_unbuilt_py${major}}")
    endif()
  endforeach()
  return()
endif()

# Each free-threaded interpreter, which the stable-ABI module is not for,
# refuses it with an ImportError that says which module it takes.
set(refusing "")
if(NOT STATFS_FREE_THREADED_BUILD)
  set(refusing ${STATFS_FREE_THREADED_PYTHONS})
endif()
set(names "")
foreach(python IN LISTS STATFS_TEST_PYTHONS refusing)
  python_build(${python})   # (Pythons.cmake)
  if(NOT python_version)
    message(FATAL_ERROR "statfs: ${python}, an interpreter of the tests, does not run")
  endif()
  set(version ${python_version})
  if(python_free_threaded)
    string(APPEND version t)
  endif()
  string(REGEX MATCH "^[0-9]+" major "${version}")
  set(name py${version})    # py3.13.0t
  while(name IN_LIST names)
    string(APPEND name "_")
  endwhile()
  list(APPEND names ${name})
  set(these "${classes}")
  if(python IN_LIST refusing)
    set(these Refusal)
  else()
    list(APPEND tested ${major})
  endif()
  if(TARGET statfs_py${major})
    add_statfs_tests(${name} ${version} "${these}" ${python})
  else()
    add_statfs_stubs(${name} ${major} "${these}" "${statfs_unbuilt_py${major}}")
  endif()
endforeach()
if(names)
  message(STATUS "statfs tests run under: ${names}")
endif()

# A Python that nothing tests is reported, as skipped (but Python 2 in a
# build for a free-threaded Python 3, which makes no module for it), and
# said where its module is built all the same (from headers alone).
foreach(major 2 3)
  if(NOT major IN_LIST tested AND NOT (major EQUAL 2 AND STATFS_FREE_THREADED_BUILD))
    add_skipped_test(statfs_py${major}_unavailable "statfs;python${major}"
      "no Python ${major} to test with")
    if(TARGET statfs_py${major})
      message(NOTICE "No Python ${major} to test the statfs module with: its tests "
        "will report themselves skipped.")
    endif()
  endif()
endforeach()
