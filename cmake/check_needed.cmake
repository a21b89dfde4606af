# cmake -DREADELF=... -DFILE=... -DALLOWED=a,b -P check_needed.cmake
#
# Fails unless the libraries FILE needs at run time are exactly ALLOWED,
# and where FILE carries a library search path of its own (RPATH, RUNPATH).
execute_process(COMMAND ${READELF} -d ${FILE} OUTPUT_VARIABLE dyn COMMAND_ERROR_IS_FATAL ANY)
if(dyn MATCHES "\\((RPATH|RUNPATH)\\)[^[]*\\[([^]]*)\\]")
  message(FATAL_ERROR "${FILE} has the ${CMAKE_MATCH_1} ${CMAKE_MATCH_2}")
endif()
string(REGEX MATCHALL "\\(NEEDED\\)[^[]*\\[[^]]*\\]" needed "${dyn}")
list(TRANSFORM needed REPLACE ".*\\[(.*)\\]" "\\1")
string(REPLACE "," ";" allowed "${ALLOWED}")
list(SORT needed)
list(SORT allowed)
if(NOT needed STREQUAL allowed)
  message(FATAL_ERROR "${FILE} needs [${needed}], not [${allowed}]")
endif()
message("${FILE} needs [${needed}]")
