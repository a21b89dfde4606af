# The module's tests: test_statfs.py, one class at a time in a fresh
# interpreter, under every interpreter the module is built for.  A cross
# build gives the command that runs its interpreter as
# STATFS_PYTHON<major>_COMMAND.

add_library(statfs_preload MODULE test_preload.cpp)
target_link_libraries(statfs_preload PRIVATE ${CMAKE_DL_LIBS})
libc_only(statfs_preload)

set(classes Interface Initialisation Sizes Errors Tmpfs Statvfs Leaks)
if(CMAKE_CROSSCOMPILING)
  set(majors 2)
else()
  set(majors 2 3)
endif()
foreach(major IN LISTS majors)
  if(NOT TARGET statfs_py${major})
    add_test(NAME statfs_py${major}_unavailable
      COMMAND sh -c "echo 'no Python ${major} to test with'; exit ${SKIP_CODE}")
    set_tests_properties(statfs_py${major}_unavailable PROPERTIES
      LABELS "statfs;python${major}" SKIP_RETURN_CODE ${SKIP_CODE})
    continue()
  endif()
  if(STATFS_PYTHON${major}_COMMAND)
    set(python ${STATFS_PYTHON${major}_COMMAND})
    set(preload "QEMU_SET_ENV=LD_PRELOAD=$<TARGET_FILE:statfs_preload>")
  else()
    set(python ${Python${major}_EXECUTABLE})
    set(preload "LD_PRELOAD=$<TARGET_FILE:statfs_preload>")
  endif()

  # The module as the Initialisation tests load it: the same source, its
  # calls of the interpreter functions that can fail there bound to
  # test_preload's stand-ins (an interpreter that binds its own names
  # inside its executable cannot have them interposed otherwise).
  set(faulty statfs_py${major}_faulty)
  statfs_module(${faulty} ${major} ${CMAKE_CURRENT_BINARY_DIR}/faulty${major})
  target_link_options(${faulty} PRIVATE -Wl,--wrap=PyString_FromString
    -Wl,--wrap=PyUnicode_FromString -Wl,--wrap=PyDict_SetItemString)

  foreach(class IN LISTS classes)
    set(name statfs_py${major}_${class})
    set(module statfs_py${major})
    if(class STREQUAL "Initialisation")
      set(module ${faulty})
    endif()
    add_test(NAME ${name}
      COMMAND ${python} -B -W error ${CMAKE_CURRENT_SOURCE_DIR}/test_statfs.py ${class})
    set_tests_properties(${name} PROPERTIES
      LABELS "statfs;python${major}" SKIP_RETURN_CODE ${SKIP_CODE}
      ENVIRONMENT "PYTHONPATH=$<TARGET_FILE_DIR:${module}>;${preload}")
  endforeach()
endforeach()
