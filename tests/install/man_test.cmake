# Formats each manual page and fails on any warning of the formatter.
# Expects: GROFF, PAGES (list of files).
cmake_minimum_required(VERSION 3.25)
foreach(page IN LISTS PAGES)
  execute_process(COMMAND ${GROFF} -man -Tutf8 -ww -z ${page}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT err STREQUAL "")
    message(FATAL_ERROR "${page} does not render cleanly (${rc}):\n${err}")
  endif()
endforeach()
