# tsfilters_shared_library(<target> VERSION_SCRIPT <map> HEADERS <header>...)
# What both shared libraries need beyond their sources: the release number
# as VERSION and SOVERSION, hidden visibility and strict warnings, stack
# sizes for the fixed-frame check, the platform's linking rules below, and
# the install of the library and its public headers into the package.
function(tsfilters_shared_library target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "VERSION_SCRIPT" "HEADERS")
  target_include_directories(${target}
    PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include> $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>
           $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
    PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/src)
  set_target_properties(${target} PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
    PUBLIC_HEADER "${arg_HEADERS}"
    # Every library at the top of the build tree, where hosts and checks look.
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
    ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wconversion
                                             $<$<CXX_COMPILER_ID:GNU>:-fstack-usage>)
  endif()

  if(WIN32)
    # No "lib" prefix: hosts load <target>.dll by that name.
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src/module_entry_windows.cpp)
    set_target_properties(${target} PROPERTIES PREFIX "")
    if(MINGW)
      # The runtime inside, so that the DLL loads on a bare Windows; its export
      # table as a .def beside it (scripts/dist makes an import library of it).
      target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++
                                            -Wl,--output-def,${PROJECT_BINARY_DIR}/${target}.def)
    endif()
  elseif(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    # Only the names the version script lists leave the .so; nothing is left
    # undefined.
    target_link_options(${target} PRIVATE
      -Wl,--version-script=${arg_VERSION_SCRIPT} -Wl,--no-undefined)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${arg_VERSION_SCRIPT})
    # The filters call nothing in libc itself, so a linker that links
    # --as-needed (Debian's does) would leave libc out of the library's
    # dependencies; packaging tools expect every library to name it. The
    # file is named: -lc goes through the linker script libc.so, and what
    # that script pulls in stays as-needed. Only where no hardware square
    # root is used directly (not x86) does anything come from libm.
    target_link_libraries(${target} PRIVATE "-Wl,--push-state,--no-as-needed" "-l:libc.so.6"
                                            "-Wl,--pop-state" m)
  endif()
  install(TARGETS ${target} EXPORT tsfiltersTargets
          PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endfunction()
