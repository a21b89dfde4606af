# clang-tidy (through its run-clang-tidy) and cppcheck, found by
# Testing.cmake, over the project's own C++ sources that this
# configuration builds, as the build compiles them (compile_commands.json).
if(CLANG_TIDY)
  add_test(NAME clang_tidy COMMAND run-clang-tidy -clang-tidy-binary ${CLANG_TIDY}
    -p ${CMAKE_BINARY_DIR} -quiet "/(hostaddr|statfs)/[^/]+\\.cpp$")
  set_tests_properties(clang_tidy PROPERTIES LABELS lint)
else()
  add_skipped_test(clang_tidy lint "clang-tidy is missing")
endif()
if(CPPCHECK)
  # A finding of the kinds enabled fails it; the tool's notes on itself
  # (information) do not.
  add_test(NAME cppcheck
    COMMAND ${CPPCHECK} --project=${CMAKE_BINARY_DIR}/compile_commands.json
      -i${CMAKE_BINARY_DIR} -i/usr --library=googletest --std=c++20
      --enable=warning,style,performance,portability --inline-suppr
      --suppress=missingIncludeSystem -q "--template={file}:{line}: {severity}: {message} [{id}]"
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(cppcheck PROPERTIES LABELS lint
    FAIL_REGULAR_EXPRESSION ": (error|warning|style|performance|portability): ")
else()
  add_skipped_test(cppcheck lint "cppcheck is missing")
endif()
