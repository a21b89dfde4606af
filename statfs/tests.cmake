# The module's tests: test_statfs.py, one class at a time in a fresh
# interpreter, under every interpreter of statfs_pythons (a cross build's
# run under the emulator).  Where the module is not
# built, or its interpreter cannot run here, the same tests are registered
# and report themselves skipped, saying why.

add_library(statfs_preload MODULE test_preload.cpp)
target_link_libraries(statfs_preload PRIVATE ${CMAKE_DL_LIBS})
libc_only(statfs_preload)

# Every class of test_statfs.py but Refusal, which is for the free-threaded
# interpreters that refuse the stable-ABI module (a class added there
# configures the build again).
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS test_statfs.py)
file(STRINGS test_statfs.py classes REGEX "^class [A-Za-z]+\\(unittest\\.TestCase\\)")
list(TRANSFORM classes REPLACE "^class ([A-Za-z]+).*" "\\1")
list(REMOVE_ITEM classes Refusal)

# add_statfs_tests(<name> <X.Y.Z> <module> <classes> <python command>...):
# the classes (a list) under that interpreter, with statfs_py<module>, as
# statfs_<name>_<class>; each reports itself skipped for
# statfs_unbuilt_py<module> where that is not built.  Subinterpreters
# before Python 3.12 skips by design: its test is labelled "inapplicable"
# there, to tell it from a test that something missing made skip.
function(add_statfs_tests name version module classes)
  string(REGEX MATCH "^[0-9]+" major "${version}")
  string(REGEX MATCH "^[0-9]+\\.[0-9]+" minor "${version}")
  if(CMAKE_CROSSCOMPILING)
    # and under the emulator, a tenth of the stress test's calls
    set(preload "QEMU_SET_ENV=LD_PRELOAD=$<TARGET_FILE:statfs_preload>"
      "STATFS_STRESS_CALLS=2000")
  else()
    set(preload "LD_PRELOAD=$<TARGET_FILE:statfs_preload>")
  endif()
  foreach(class IN LISTS classes)
    set(labels statfs python${major})
    set(skip ${may_skip})
    if(class STREQUAL "Subinterpreters" AND minor VERSION_LESS 3.12)
      list(APPEND labels inapplicable)
      set(skip SKIP_RETURN_CODE ${SKIP_CODE})
    endif()
    set(target statfs_py${module})
    if(class STREQUAL "Faults")
      string(APPEND target _faulty)
    endif()
    if(NOT TARGET ${target})
      add_skipped_test(statfs_${name}_${class} "${labels}" "${statfs_unbuilt_py${module}}")
      continue()
    elseif(NOT ARGN)
      add_skipped_test(statfs_${name}_${class} "${labels}" "${no_emulator}")
      continue()
    endif()
    set(run ${ARGN})
    if(CMAKE_CROSSCOMPILING AND class STREQUAL "Tmpfs")
      # (the emulator's own threads keep the test from making a user
      # namespace, where it needs one: it is made for it, where it can be)
      set(run sh -c "unshare -rm true 2>/dev/null && exec unshare -rm \"$@\"; exec \"$@\"" sh ${ARGN})
    endif()
    add_test(NAME statfs_${name}_${class}
      COMMAND ${run} -B -W error ${CMAKE_CURRENT_SOURCE_DIR}/test_statfs.py ${class})
    set_tests_properties(statfs_${name}_${class} PROPERTIES
      LABELS "${labels}" ${skip}
      ENVIRONMENT "PYTHONPATH=$<TARGET_FILE_DIR:${target}>;${preload}")
  endforeach()
endfunction()

# Each free-threaded interpreter before 3.15 takes its own module, and
# refuses the stable-ABI one with an ImportError that says which module it
# takes.  From 3.15 on, each one with the lock is tested with the abi3t
# module too (name_abi3t), and a free-threaded one with that alone.
set(names "")
set(tested "")
set(statfs_tested "")   # (the versions of the interpreters that they run under)
foreach(entry IN LISTS statfs_pythons)
  string(REPLACE "|" ";" entry "${entry}")
  list(POP_FRONT entry python version)
  set(name py${version})
  while(name IN_LIST names)
    string(APPEND name "_")
  endwhile()
  list(APPEND names ${name})
  if(python)
    list(APPEND statfs_tested ${version})
  endif()
  statfs_takes(takes ${version})
  list(APPEND tested ${takes})
  if(version MATCHES "t$" AND NOT takes STREQUAL 3t)
    add_statfs_tests(${name} ${version} 3 Refusal ${python})
  endif()
  foreach(module IN LISTS takes)
    add_statfs_tests(${name} ${version} ${module} "${classes}" ${python})
    set(name ${name}_abi3t)   # (the second: abi3t, for one with the lock)
  endforeach()
endforeach()
if(names)
  message(STATUS "statfs tests run under: ${names}")
endif()

# A Python that nothing tests is reported, as skipped, and said where its
# module is built all the same (from headers alone).
foreach(major 2 3)
  if(NOT major IN_LIST tested AND NOT CMAKE_CROSSCOMPILING)
    add_skipped_test(statfs_py${major}_unavailable "statfs;python${major}"
      "no Python ${major} to test with")
    if(TARGET statfs_py${major})
      message(NOTICE "No Python ${major} to test the statfs module with: its tests "
        "will report themselves skipped.")
    endif()
  endif()
endforeach()
