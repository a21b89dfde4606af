# clang-tidy and cppcheck (found by Testing.cmake) over the project's own
# C++ sources, those of the targets that this configuration builds, as the
# build compiles them (compile_commands.json).
set(sources "")
foreach(dir hostaddr statfs)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(files ${target} SOURCES)
    list(TRANSFORM files PREPEND ${dir}/)
    list(APPEND sources ${files})
  endforeach()
endforeach()
list(FILTER sources INCLUDE REGEX "\\.cpp$")
list(REMOVE_DUPLICATES sources)
if(CLANG_TIDY)
  add_test(NAME clang_tidy COMMAND ${CLANG_TIDY} -p ${CMAKE_BINARY_DIR} --quiet ${sources}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(clang_tidy PROPERTIES LABELS lint)
else()
  add_skipped_test(clang_tidy lint "clang-tidy is missing")
endif()
if(CPPCHECK)
  add_test(NAME cppcheck
    COMMAND ${CPPCHECK} --project=${CMAKE_BINARY_DIR}/compile_commands.json
      -i${CMAKE_BINARY_DIR} -i/usr --library=googletest --std=c++20
      --enable=warning,style,performance,portability --inline-suppr
      --suppress=missingIncludeSystem --error-exitcode=1 -q
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(cppcheck PROPERTIES LABELS lint)
else()
  add_skipped_test(cppcheck lint "cppcheck is missing")
endif()
