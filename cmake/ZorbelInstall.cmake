# What `cmake --install` puts under the prefix: the five programs, the library
# with its public header, a CMake package (find_package(zorbel CONFIG) giving
# zorbel::zorbel), a pkg-config file and the manual pages.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

foreach(prog zorbel_program simplepart rbpart kwaypart partstat)
  if(TARGET ${prog})
    install(TARGETS ${prog} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(TARGETS zorbel EXPORT zorbelTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/lib/zorbel.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(ZORBEL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/zorbel)
install(EXPORT zorbelTargets NAMESPACE zorbel:: DESTINATION ${ZORBEL_CMAKEDIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/zorbelConfig.cmake.in
  ${PROJECT_BINARY_DIR}/zorbelConfig.cmake
  INSTALL_DESTINATION ${ZORBEL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zorbelConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zorbelConfig.cmake ${PROJECT_BINARY_DIR}/zorbelConfigVersion.cmake
  DESTINATION ${ZORBEL_CMAKEDIR})

# A C program that links the static library also needs the C++ runtime: the
# libraries the C++ linker adds on its own and the C linker does not.
set(ZORBEL_RUNTIME_LIBS ${CMAKE_CXX_IMPLICIT_LINK_LIBRARIES})
if(CMAKE_C_IMPLICIT_LINK_LIBRARIES)
  list(REMOVE_ITEM ZORBEL_RUNTIME_LIBS ${CMAKE_C_IMPLICIT_LINK_LIBRARIES})
endif()
list(REMOVE_DUPLICATES ZORBEL_RUNTIME_LIBS)
if(NOT BUILD_SHARED_LIBS AND ZORBEL_RUNTIME_LIBS)
  target_link_libraries(zorbel INTERFACE "$<$<LINK_LANGUAGE:C>:${ZORBEL_RUNTIME_LIBS}>")
endif()
# ... and the OpenMP runtime the library's tasks run on, and zlib, which
# inflates compressed input files.
list(APPEND ZORBEL_RUNTIME_LIBS m ${OpenMP_CXX_LIB_NAMES} z)
list(REMOVE_DUPLICATES ZORBEL_RUNTIME_LIBS)
list(TRANSFORM ZORBEL_RUNTIME_LIBS PREPEND "-l" OUTPUT_VARIABLE pc_runtime_flags)
list(JOIN pc_runtime_flags " " pc_runtime_flags)
if(BUILD_SHARED_LIBS)
  # The shared library records its own dependencies.
  set(ZORBEL_PC_LIBS "-lzorbel")
  set(ZORBEL_PC_LIBS_PRIVATE "${pc_runtime_flags}")
else()
  set(ZORBEL_PC_LIBS "-lzorbel ${pc_runtime_flags}")
  set(ZORBEL_PC_LIBS_PRIVATE "")
endif()

# The prefix in zorbel.pc is the one given at install time (cmake --install
# --prefix), so the file is written during installation.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(ZORBEL_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
  set(ZORBEL_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(ZORBEL_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
else()
  set(ZORBEL_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
set(ZORBEL_PC_PREFIX "@ZORBEL_PC_PREFIX@")
configure_file(${CMAKE_CURRENT_LIST_DIR}/zorbel.pc.in ${PROJECT_BINARY_DIR}/zorbel.pc.stage @ONLY)
install(CODE "
  set(ZORBEL_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  configure_file(\"${PROJECT_BINARY_DIR}/zorbel.pc.stage\" \"${PROJECT_BINARY_DIR}/zorbel.pc\" @ONLY)
")
install(FILES ${PROJECT_BINARY_DIR}/zorbel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(FILES ${PROJECT_SOURCE_DIR}/man/zorbel.1 ${PROJECT_SOURCE_DIR}/man/simplepart.1 ${PROJECT_SOURCE_DIR}/man/rbpart.1
  ${PROJECT_SOURCE_DIR}/man/kwaypart.1 ${PROJECT_SOURCE_DIR}/man/partstat.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
