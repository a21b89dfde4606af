# site_network_value(<out-var> <address>)
#
# Checks that <address> names a /16 network in dotted-quad form (a.b.0.0,
# each part a decimal number from 0 to 255) and sets <out-var> to the
# network's first address in host order, in hexadecimal.  Anything else
# stops the configuration, and so does the link-local network
# 169.254.0.0/16, whose addresses hostaddr passes over before it looks for
# the site network.
#
# Run as a script (cmake -DHOSTADDR_SITE_NETWORK=... -P SiteNetwork.cmake)
# it prints the value, or fails as configuring would.
function(site_network_value out address)
  set(why "")
  if(NOT address MATCHES "^(0|[1-9][0-9]?[0-9]?)\\.(0|[1-9][0-9]?[0-9]?)\\.(0|[1-9][0-9]?[0-9]?)\\.(0|[1-9][0-9]?[0-9]?)$")
    set(why "it is not a dotted-quad IPv4 address")
  else()
    set(a ${CMAKE_MATCH_1})
    set(b ${CMAKE_MATCH_2})
    if(a GREATER 255 OR b GREATER 255 OR CMAKE_MATCH_3 GREATER 255 OR CMAKE_MATCH_4 GREATER 255)
      set(why "a part is above 255")
    elseif(NOT CMAKE_MATCH_3 EQUAL 0 OR NOT CMAKE_MATCH_4 EQUAL 0)
      set(why "the last two parts of a /16 network address are 0")
    endif()
  endif()
  if(why)
    message(FATAL_ERROR
      "HOSTADDR_SITE_NETWORK is \"${address}\", which is not a /16 network "
      "address (${why}).  Give the network's first address, such as 10.0.0.0.")
  endif()
  if(a EQUAL 169 AND b EQUAL 254)
    message(FATAL_ERROR
      "HOSTADDR_SITE_NETWORK is \"${address}\", which can never be chosen "
      "(link-local addresses are passed over before the site network is "
      "looked for).  Give another /16 network, such as 10.0.0.0.")
  endif()
  math(EXPR value "(${a} << 24) | (${b} << 16)" OUTPUT_FORMAT HEXADECIMAL)
  set(${out} ${value} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  site_network_value(value "${HOSTADDR_SITE_NETWORK}")
  message("${value}")
endif()
