# Runs PROGRAM with ARGS under memcheck in a scratch copy of the data (the
# partition file is written beside the hypergraph file). Any memcheck error,
# any block left allocated at exit (still reachable included: the library
# frees all it allocates and keeps nothing between calls; only the OpenMP
# runtime's own blocks are suppressed), or a failed run, fails the test.
#
# Expects: VALGRIND, PROGRAM, DATA_DIR, WORK_DIR, ARGS.
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(COPY ${DATA_DIR}/tiny.hgr ${DATA_DIR}/tiny.fix DESTINATION ${WORK_DIR})

execute_process(
  COMMAND ${VALGRIND} --tool=memcheck --error-exitcode=99 --leak-check=full
    --show-leak-kinds=all --errors-for-leak-kinds=all
    --track-origins=yes --suppressions=${DATA_DIR}/openmp.supp ${PROGRAM} ${ARGS}
  WORKING_DIRECTORY ${WORK_DIR}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "memcheck run of ${PROGRAM} ${ARGS} failed (${rc}):\n${err}\n${out}")
endif()
file(GLOB partfiles ${WORK_DIR}/tiny.hgr.part.*)
if(NOT partfiles)
  message(FATAL_ERROR "${PROGRAM} wrote no partition file:\n${out}")
endif()
if(NOT err MATCHES "ERROR SUMMARY: 0 errors")
  message(FATAL_ERROR "memcheck reported errors:\n${err}")
endif()
# Nothing may be left but the OpenMP runtime's own blocks (openmp.supp).
if(NOT err MATCHES "All heap blocks were freed" AND NOT err MATCHES
   "definitely lost: 0 bytes in 0 blocks.*indirectly lost: 0 bytes in 0 blocks.*possibly lost: 0 bytes in 0 blocks.*still reachable: 0 bytes in 0 blocks")
  message(FATAL_ERROR "memory was left allocated at exit:\n${err}")
endif()
