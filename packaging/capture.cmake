# cmake -DOUTPUT=FILE [-DCOMPRESS=ON] -P capture.cmake -- COMMAND [ARG...]
# Runs the command and writes what it prints to FILE, compressed with
# gzip -9n when COMPRESS is set (as Debian wants manual pages). A command
# that fails or reports anything on stderr fails the build.
set(command)
set(seen_separator OFF)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  if(seen_separator)
    list(APPEND command "${CMAKE_ARGV${i}}")
  elseif(CMAKE_ARGV${i} STREQUAL "--")
    set(seen_separator ON)
  endif()
endforeach()
# A sanitizer build's program runs here too; what it leaks at exit is the
# tests' business, not the build's.
set(ENV{ASAN_OPTIONS} "detect_leaks=0")
set(text "${OUTPUT}.tmp")
get_filename_component(directory "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${directory}")
execute_process(COMMAND ${command} OUTPUT_FILE "${text}" ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
  file(REMOVE "${text}")
  message(FATAL_ERROR "${command}: exit status ${status}\n${errors}")
endif()
if(COMPRESS)
  execute_process(COMMAND gzip -9n -c "${text}" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE status)
  file(REMOVE "${text}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${OUTPUT}")
  endif()
else()
  file(RENAME "${text}" "${OUTPUT}")
endif()
