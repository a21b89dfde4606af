# The module's tests: test_statfs.py, one class at a time in a fresh
# interpreter, under every interpreter of STATFS_TEST_PYTHONS.  A cross
# build gives the command that runs its interpreter as
# STATFS_PYTHON<major>_COMMAND instead.

add_library(statfs_preload MODULE test_preload.cpp)
target_link_libraries(statfs_preload PRIVATE ${CMAKE_DL_LIBS})
libc_only(statfs_preload)

set(classes Interface Initialisation Sizes Errors Threads Tmpfs Statvfs Leaks)

# add_statfs_tests(<name> <major> <python command>...): every class under
# that interpreter, as statfs_<name>_<class>.
function(add_statfs_tests name major)
  if(CMAKE_CROSSCOMPILING)
    set(preload "QEMU_SET_ENV=LD_PRELOAD=$<TARGET_FILE:statfs_preload>")
  else()
    set(preload "LD_PRELOAD=$<TARGET_FILE:statfs_preload>")
  endif()
  foreach(class IN LISTS classes)
    set(module statfs_py${major})
    if(class STREQUAL "Initialisation")
      set(module statfs_py${major}_faulty)
    endif()
    add_test(NAME statfs_${name}_${class}
      COMMAND ${ARGN} -B -W error ${CMAKE_CURRENT_SOURCE_DIR}/test_statfs.py ${class})
    set_tests_properties(statfs_${name}_${class} PROPERTIES
      LABELS "statfs;python${major}" SKIP_RETURN_CODE ${SKIP_CODE}
      ENVIRONMENT "PYTHONPATH=$<TARGET_FILE_DIR:${module}>;${preload}")
  endforeach()
endfunction()

foreach(major 2 3)
  if(NOT TARGET statfs_py${major})
    continue()
  endif()
  # The module as the Initialisation tests load it: the same source, its
  # calls of the interpreter functions that can fail there bound to
  # test_preload's stand-ins (an interpreter that binds its own names
  # inside its executable cannot have them interposed otherwise).
  set(faulty statfs_py${major}_faulty)
  statfs_module(${faulty} ${major} ${CMAKE_CURRENT_BINARY_DIR}/faulty${major})
  target_link_options(${faulty} PRIVATE -Wl,--wrap=PyString_FromString
    -Wl,--wrap=PyUnicode_FromString -Wl,--wrap=PyDict_SetItemString)
endforeach()

set(tested "")
if(CMAKE_CROSSCOMPILING)
  foreach(major 2 3)
    if(STATFS_PYTHON${major}_COMMAND AND TARGET statfs_py${major})
      add_statfs_tests(py${major} ${major} ${STATFS_PYTHON${major}_COMMAND})
      list(APPEND tested ${major})
    endif()
  endforeach()
else()
  foreach(python IN LISTS STATFS_TEST_PYTHONS)
    execute_process(COMMAND ${python} -c
      "import sys; print('%d.%d.%d' % sys.version_info[:3])"
      OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "STATFS_TEST_PYTHONS: ${python} does not run")
    endif()
    string(REGEX MATCH "^[0-9]+" major "${version}")
    set(name py${version})
    while(name IN_LIST names)
      string(APPEND name "_")
    endwhile()
    list(APPEND names ${name})
    if(TARGET statfs_py${major})
      add_statfs_tests(${name} ${major} ${python})
      list(APPEND tested ${major})
    endif()
  endforeach()
  message(STATUS "statfs tests run under: ${names}")
endif()

# A Python that nothing tests is reported, as skipped: natively either,
# in a cross build one that its toolchain file names.
foreach(major 2 3)
  if(CMAKE_CROSSCOMPILING AND NOT STATFS_PYTHON${major}_COMMAND)
    continue()
  endif()
  if(NOT major IN_LIST tested)
    add_test(NAME statfs_py${major}_unavailable
      COMMAND sh -c "echo 'no Python ${major} to test with'; exit ${SKIP_CODE}")
    set_tests_properties(statfs_py${major}_unavailable PROPERTIES
      LABELS "statfs;python${major}" SKIP_RETURN_CODE ${SKIP_CODE})
  endif()
endforeach()
