# tsfilters_shared_library(<target> VERSION_SCRIPT <map> HEADERS <h>...)
# What both shared libraries need beyond their sources, in one place:
# - only the names the version script lists leave a Linux .so, and nothing
#   is left undefined; on Windows the DLL has no "lib" prefix, carries the
#   runtime (so it loads on a bare Windows) and gets its .def and import
#   libraries;
# - the release number as VERSION and SOVERSION, hidden visibility, strict
#   warnings, and per-function stack sizes for the fixed-frame check;
# - the install of the library and its public headers into the package.
function(tsfilters_shared_library target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "VERSION_SCRIPT" "HEADERS")
  target_include_directories(${target}
    PUBLIC
      $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
      $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>
      $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
    PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/src)
  set_target_properties(${target} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    PUBLIC_HEADER "${arg_HEADERS}"
    # Every library at the top of the build tree, where hosts and checks look.
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
    ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})

  if(WIN32)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src/module_entry_windows.cpp)
    # No "lib" prefix: hosts load <target>.dll by that name.
    set_target_properties(${target} PROPERTIES PREFIX "")
    if(MINGW)
      target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
    endif()
    tsfilters_windows_import_files(${target})
  elseif(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_link_options(${target} PRIVATE
      -Wl,--version-script=${arg_VERSION_SCRIPT} -Wl,--no-undefined)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${arg_VERSION_SCRIPT})
    # The filters call nothing in libc itself, so a linker that links
    # --as-needed (Debian's does) would leave libc out of the library's
    # dependencies; packaging tools expect every library to name it. The
    # file is named: -lc goes through the linker script libc.so, and what
    # that script pulls in stays as-needed.
    target_link_libraries(${target} PRIVATE "-Wl,--push-state,--no-as-needed" "-l:libc.so.6"
                                            "-Wl,--pop-state")
    # Only where no hardware square root is used directly (not x86) does
    # anything come from libm; --as-needed drops it elsewhere.
    target_link_libraries(${target} PRIVATE m)
  endif()

  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wconversion)
    # Every function must have a fixed frame, whatever the length of the series.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${target} PRIVATE -fstack-usage)
    endif()
  endif()

  install(TARGETS ${target} EXPORT tsfiltersTargets
          PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endfunction()
