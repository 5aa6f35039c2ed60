# Builds the fuzz targets with clang and runs each for RUNS inputs, starting
# from its seed corpus; new inputs go to a scratch corpus in the build tree,
# never into the source tree. Fails on the first target that finds a fault.
#
# Expects: TARGETS_DIR, CORPUS_DIR, WORK_DIR, CC, CXX, GENERATOR, RUNS.
cmake_minimum_required(VERSION 3.25)

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(LENGTH "${err}" len)
    if(len GREATER 6000)
      math(EXPR from "${len} - 6000")
      string(SUBSTRING "${err}" ${from} 6000 err)
    endif()
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
  endif()
endfunction()

# clang without its libFuzzer runtime cannot build the targets at all.
file(MAKE_DIRECTORY ${WORK_DIR}/probe)
file(WRITE ${WORK_DIR}/probe/probe.cpp
  "#include <cstddef>\n#include <cstdint>\nextern \"C\" int LLVMFuzzerTestOneInput(const uint8_t *, size_t) { return 0; }\n")
execute_process(COMMAND ${CXX} -fsanitize=fuzzer,address,undefined ${WORK_DIR}/probe/probe.cpp -o ${WORK_DIR}/probe/probe
  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 0)
  message("[  SKIPPED ] ${CXX} cannot link libFuzzer targets (is libclang-rt-dev installed?)")
  return()
endif()

set(build ${WORK_DIR}/build)
run("configuring the fuzz targets" ${CMAKE_COMMAND} -S ${TARGETS_DIR} -B ${build} -G ${GENERATOR}
  -DCMAKE_C_COMPILER=${CC} -DCMAKE_CXX_COMPILER=${CXX})
run("building the fuzz targets" ${CMAKE_COMMAND} --build ${build} -j2)

file(GLOB targets RELATIVE ${CORPUS_DIR} ${CORPUS_DIR}/*)
foreach(target IN LISTS targets)
  set(scratch ${WORK_DIR}/corpus/${target})
  file(REMOVE_RECURSE ${scratch})
  file(MAKE_DIRECTORY ${scratch} ${WORK_DIR}/artifacts)
  message("${target}: ${RUNS} inputs")
  run("${target}_fuzz" ${build}/${target}_fuzz -runs=${RUNS} -seed=1
    -artifact_prefix=${WORK_DIR}/artifacts/${target}- ${scratch} ${CORPUS_DIR}/${target})
endforeach()
