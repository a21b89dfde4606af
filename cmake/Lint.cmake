# clang-tidy and cppcheck (found by Testing.cmake) over the project's own
# sources, as tests.

# add_lint_tests(<source>...), sources relative to the project's root
function(add_lint_tests)
  add_test(NAME clang_tidy
    COMMAND ${CLANG_TIDY} -p ${CMAKE_BINARY_DIR} --quiet ${ARGN}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  add_test(NAME cppcheck
    COMMAND ${CPPCHECK} --project=${CMAKE_BINARY_DIR}/compile_commands.json
      -i${CMAKE_BINARY_DIR} -i/usr --library=googletest --std=c++20
      --enable=warning,style,performance,portability --inline-suppr
      --suppress=missingIncludeSystem --error-exitcode=1 -q
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(clang_tidy cppcheck PROPERTIES LABELS lint)
endfunction()
