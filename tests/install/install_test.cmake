# Installs the build tree into a scratch prefix, then builds and runs a user's
# C program against the installed library twice: once through the CMake
# package and once through pkg-config alone.
#
# Then runs the installed zorbel program on the shipped example.
#
# Expects: BUILD_DIR, CONFIG, WORK_DIR, CONSUMER_DIR, EXAMPLE, C_COMPILER, GENERATOR,
# LIBDIR (relative to the prefix), PKG_CONFIG, EXTRA_FLAGS (compile and link
# flags a program linking this build needs, e.g. the sanitizers).
cmake_minimum_required(VERSION 3.25)

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

run("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --config ${CONFIG} --prefix ${prefix})
foreach(file include/zorbel.h ${LIBDIR}/cmake/zorbel/zorbelConfig.cmake
        ${LIBDIR}/cmake/zorbel/zorbelConfigVersion.cmake ${LIBDIR}/pkgconfig/zorbel.pc
        bin/zorbel bin/simplepart bin/rbpart bin/kwaypart bin/partstat
        share/man/man1/zorbel.1 share/man/man1/simplepart.1 share/man/man1/rbpart.1 share/man/man1/kwaypart.1 share/man/man1/partstat.1)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "cmake --install did not install ${file}")
  endif()
endforeach()
file(GLOB library ${prefix}/${LIBDIR}/libzorbel.a ${prefix}/${LIBDIR}/libzorbel.so)
if(NOT library)
  message(FATAL_ERROR "cmake --install did not install libzorbel")
endif()

separate_arguments(cflags UNIX_COMMAND "${EXTRA_FLAGS}")
list(APPEND cflags -std=c99 -pedantic-errors -Wall -Wextra -Werror)

# Through the CMake package.
list(JOIN cflags " " cflags_string)
run("configuring the find_package(zorbel) program" ${CMAKE_COMMAND} -G ${GENERATOR}
    -S ${CONSUMER_DIR} -B ${WORK_DIR}/cmake-build -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_PREFIX_PATH=${prefix}
    "-DCMAKE_C_FLAGS=${cflags_string}" "-DCMAKE_EXE_LINKER_FLAGS=${EXTRA_FLAGS}")
run("building the find_package(zorbel) program" ${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-build)
run("the find_package(zorbel) program" ${WORK_DIR}/cmake-build/consumer)
message("find_package(zorbel):\n${run_output}")

# Through pkg-config.
set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
run("pkg-config --cflags" ${PKG_CONFIG} --cflags zorbel)
separate_arguments(pc_cflags UNIX_COMMAND "${run_output}")
run("pkg-config --libs" ${PKG_CONFIG} --libs zorbel)
separate_arguments(pc_libs UNIX_COMMAND "${run_output}")
run("building the pkg-config program" ${C_COMPILER} ${cflags} ${pc_cflags}
    ${CONSUMER_DIR}/consumer.c -o ${WORK_DIR}/consumer-pc ${pc_libs})
set(ENV{LD_LIBRARY_PATH} ${prefix}/${LIBDIR})
run("the pkg-config program" ${WORK_DIR}/consumer-pc)
message("pkg-config:\n${run_output}")

# The installed program, on its own.
run("the installed zorbel" ${prefix}/bin/zorbel partition ${EXAMPLE} -k 4 --seed 1 --json -o ${WORK_DIR}/example.part)
if(NOT run_output MATCHES "\"cut\":[0-9]+" OR NOT EXISTS ${WORK_DIR}/example.part)
  message(FATAL_ERROR "the installed zorbel gave no partition:\n${run_output}")
endif()
message("zorbel:\n${run_output}")
