# site_network_value(<out-var> <address>)
#
# Checks that <address> names a /16 network in dotted-quad form (a.b.0.0,
# a and b each a decimal number from 0 to 255) and sets <out-var> to the
# network's first address in host order, in hexadecimal.  Anything else
# stops the configuration, and so does the link-local network
# 169.254.0.0/16, whose addresses hostaddr passes over before it looks for
# the site network.
#
# Run as a script (cmake -DHOSTADDR_SITE_NETWORK=... -P SiteNetwork.cmake)
# it prints the value, or fails as configuring would.
function(site_network_value out address)
  set(part "(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])")
  if(NOT address MATCHES "^${part}\\.${part}\\.0\\.0$")
    message(FATAL_ERROR "HOSTADDR_SITE_NETWORK is \"${address}\", which is not a /16 "
      "network address (its first two parts each a number from 0 to 255, its last "
      "two 0).  Give the "
      "network's first address, such as 10.0.0.0.")
  endif()
  math(EXPR value "(${CMAKE_MATCH_1} << 24) | (${CMAKE_MATCH_2} << 16)" OUTPUT_FORMAT HEXADECIMAL)
  if(value EQUAL 0xa9fe0000)
    message(FATAL_ERROR
      "HOSTADDR_SITE_NETWORK is \"${address}\", which can never be chosen "
      "(link-local addresses are passed over before the site network is "
      "looked for).  Give another /16 network, such as 10.0.0.0.")
  endif()
  set(${out} ${value} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  site_network_value(value "${HOSTADDR_SITE_NETWORK}")
  message("${value}")
endif()
