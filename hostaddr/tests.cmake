# Every test here is labelled hostaddr (as a directory's label, which
# reaches the GoogleTest cases too: their own list of labels would be cut
# at its first ";").
set_property(DIRECTORY PROPERTY LABELS hostaddr)

# Configuring stops for any site network that is not a /16 network address,
# and for one that could never be chosen.
foreach(bad "10.0.0.1" "300.1.0.0" "10.0" "" "169.254.0.0")
  string(MAKE_C_IDENTIFIER "site_network_rejects_${bad}" name)
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} "-DHOSTADDR_SITE_NETWORK=${bad}"
      -P ${PROJECT_SOURCE_DIR}/cmake/SiteNetwork.cmake)
  set_tests_properties(${name} PROPERTIES LABELS build
    PASS_REGULAR_EXPRESSION "HOSTADDR_SITE_NETWORK is \"${bad}\", which [^.]*\\.  Give")
endforeach()
add_test(NAME site_network_value
  COMMAND ${CMAKE_COMMAND} -DHOSTADDR_SITE_NETWORK=198.18.0.0
    -P ${PROJECT_SOURCE_DIR}/cmake/SiteNetwork.cmake)
set_tests_properties(site_network_value PROPERTIES LABELS build
  PASS_REGULAR_EXPRESSION "^0xc6120000\n$")

add_needed_test(hostaddr_needs_libc_only hostaddr libc.so.6)

# The tool as the kernel tests run it: with a site network of their own,
# 198.18.0.0/16, and with a library that injects system-call failures.
add_hostaddr(hostaddr_site198 "198.18.0.0")
set_target_properties(hostaddr_site198 PROPERTIES EXPORT_COMPILE_COMMANDS OFF)
add_library(hostaddr_fault MODULE test_fault.cpp)
target_link_libraries(hostaddr_fault PRIVATE ${CMAKE_DL_LIBS})
libc_only(hostaddr_fault)

string(JOIN " " run ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:hostaddr_site198>)

set(why "")
if(NOT TARGET GTest::gtest)
  list(APPEND why "GoogleTest is missing")
endif()
list(APPEND why ${no_emulator})
if(why)
  list(JOIN why "; " why)
  add_skipped_test(hostaddr_kernel kernel "${why}")
  return()
endif()
add_executable(hostaddr_test hostaddr_test.cpp)
target_link_libraries(hostaddr_test PRIVATE GTest::gtest)
# (GCC 12 warns wrongly of overlapping copies inside std::string)
target_compile_options(hostaddr_test PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
target_compile_definitions(hostaddr_test PRIVATE
  "HOSTADDR_RUN=\"${run}\"" "FAULT_LIB=\"$<TARGET_FILE:hostaddr_fault>\""
  HOSTADDR_EMULATED=$<BOOL:${CMAKE_CROSSCOMPILING}> SKIP_CODE=${SKIP_CODE}
  HOSTINSPECT_NO_SKIPPING=$<BOOL:${HOSTINSPECT_NO_SKIPPING}>
  "HOSTADDR_VERSION=\"${PROJECT_VERSION}\"")
add_dependencies(hostaddr_test hostaddr_site198 hostaddr_fault)
gtest_discover_tests(hostaddr_test PROPERTIES LABELS kernel ${may_skip})
