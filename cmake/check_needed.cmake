# cmake -DREADELF=... -DFILE=... -DALLOWED=a,b [-DRUN=... -DROOT=...] -P check_needed.cmake
#
# Fails unless the libraries FILE needs at run time are exactly ALLOWED,
# and where FILE carries a library search path of its own (RPATH, RUNPATH).
# With RUN, the emulator's command that runs programs with ROOT as their
# root, a program fails too where its loader there loads a file that ROOT
# lacks, which the emulator takes from this machine.
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
if(RUN AND NOT FILE MATCHES "\\.so$")
  separate_arguments(run UNIX_COMMAND "${RUN}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env QEMU_SET_ENV=LD_TRACE_LOADED_OBJECTS=1 ${run} ${FILE}
    OUTPUT_VARIABLE loaded COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "/[^ \t\n]+ \\(0x" loaded "${loaded}")
  list(TRANSFORM loaded REPLACE " \\(0x$" "")
  foreach(file IN LISTS loaded)
    if(NOT EXISTS "${ROOT}${file}")
      message(FATAL_ERROR "${FILE} loads this machine's ${file}: ${ROOT} has none")
    endif()
  endforeach()
endif()
