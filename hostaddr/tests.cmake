# Configuring stops for any site network that is not a /16 network address.
foreach(bad "10.0.0.1" "300.1.0.0" "10.0" "")
  string(MAKE_C_IDENTIFIER "site_network_rejects_${bad}" name)
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} "-DHOSTADDR_SITE_NETWORK=${bad}"
      -P ${PROJECT_SOURCE_DIR}/cmake/SiteNetwork.cmake)
  set_tests_properties(${name} PROPERTIES LABELS "hostaddr;build"
    PASS_REGULAR_EXPRESSION "is not a /16 network address")
endforeach()
add_test(NAME site_network_value
  COMMAND ${CMAKE_COMMAND} -DHOSTADDR_SITE_NETWORK=198.18.0.0
    -P ${PROJECT_SOURCE_DIR}/cmake/SiteNetwork.cmake)
set_tests_properties(site_network_value PROPERTIES LABELS "hostaddr;build"
  PASS_REGULAR_EXPRESSION "^0xc6120000\n$")

add_needed_test(hostaddr_needs_libc_only hostaddr libc.so.6)
