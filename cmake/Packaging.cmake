# What `cmake --install` adds beside the library and its two headers: a CMake
# package, so that find_package(tsfilters) gives the target
# tsfilters::tsfilters, and a pkg-config file, tsfilters.pc.
include(CMakePackageConfigHelpers)

set(TSFILTERS_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tsfilters)

install(EXPORT tsfiltersTargets
        NAMESPACE tsfilters::
        DESTINATION ${TSFILTERS_PACKAGE_DIR})

configure_package_config_file(cmake/tsfiltersConfig.cmake.in
  ${PROJECT_BINARY_DIR}/tsfiltersConfig.cmake
  INSTALL_DESTINATION ${TSFILTERS_PACKAGE_DIR})
# Any 0.x release satisfies a request for 0.y with y <= x; 1.0 would be a
# new major version with a new SOVERSION. The file also rejects a build of
# the other pointer size.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/tsfiltersConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/tsfiltersConfig.cmake
              ${PROJECT_BINARY_DIR}/tsfiltersConfigVersion.cmake
        DESTINATION ${TSFILTERS_PACKAGE_DIR})

# tsfilters.pc names absolute directories, so it is written at install time,
# when the prefix is known (`cmake --install --prefix` may change it).
foreach(dir IN ITEMS LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(TSFILTERS_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(TSFILTERS_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
set(prefix "@prefix@")  # kept for the install-time pass
configure_file(cmake/tsfilters.pc.in ${PROJECT_BINARY_DIR}/tsfilters.pc.in @ONLY)
unset(prefix)
install(CODE "
  set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
  configure_file(\"${PROJECT_BINARY_DIR}/tsfilters.pc.in\"
                 \"${PROJECT_BINARY_DIR}/tsfilters.pc\" @ONLY)")
install(FILES ${PROJECT_BINARY_DIR}/tsfilters.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
