# Installation: libraries, headers, data, CMake package and pkg-config file.
#
# Outside projects use either
#   find_package(quelm)  ->  quelm::quelm (with quelm::gresk, quelm::tolvan and
#                            the platform layer it needs), or
#   pkg-config quelm.
# The libraries are static, or shared with BUILD_SHARED_LIBS; either way the
# platform layer is installed beside them.
include(CMakePackageConfigHelpers)

set(QUELM_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/quelm")

install(TARGETS quelm gresk tolvan quelm_platform EXPORT quelmTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The public headers, under include/quelm: #include <quelm/quelm.h>.  Among
# them quelm_globalmem.h, the global heap's calls, for hosts that release
# what OpenDIB returns.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/quelm DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The generator is a host tool; a build without tools installs no art, which
# the library does without.
if(TARGET quelm_data)
  install(FILES ${PROJECT_BINARY_DIR}/data/quelm.bmp DESTINATION ${QUELM_INSTALL_DATADIR})
endif()

install(EXPORT quelmTargets NAMESPACE quelm:: DESTINATION ${QUELM_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/quelmConfig.cmake.in
  ${PROJECT_BINARY_DIR}/quelmConfig.cmake
  INSTALL_DESTINATION ${QUELM_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/quelmConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/quelmConfig.cmake
  ${PROJECT_BINARY_DIR}/quelmConfigVersion.cmake
  DESTINATION ${QUELM_INSTALL_CMAKEDIR})

# quelm.pc finds its prefix from where it lies, so an install moved with
# cmake --install --prefix still points at itself.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(QUELM_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH QUELM_PC_UP "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
  string(REGEX REPLACE "/$" "" QUELM_PC_UP "${QUELM_PC_UP}")
  set(QUELM_PC_PREFIX "\${pcfiledir}/${QUELM_PC_UP}")
endif()
# Static libraries are C++ inside a C interface: the C++ runtime comes along.
set(QUELM_PC_LIBS "-lquelm -lgresk -ltolvan -lquelm_platform")
if(NOT BUILD_SHARED_LIBS)
  string(APPEND QUELM_PC_LIBS " -lstdc++ -lm")
  foreach(lib IN LISTS CMAKE_DL_LIBS)
    string(APPEND QUELM_PC_LIBS " -l${lib}")
  endforeach()
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/quelm.pc.in ${PROJECT_BINARY_DIR}/quelm.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/quelm.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
