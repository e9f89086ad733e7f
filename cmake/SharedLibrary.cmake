# tsfilters_shared_library(<target> VERSION_SCRIPT <map> HEADERS <header>...)
# What both libraries share: versions, visibility, warnings, linking, install.
function(tsfilters_shared_library target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "VERSION_SCRIPT" "HEADERS")
  target_include_directories(${target}
    PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include> $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>
           $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
    PRIVATE ${PROJECT_SOURCE_DIR}/src)
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
                                             $<$<CXX_COMPILER_ID:GNU,Clang>:-fstack-usage>)
  endif()

  if(WIN32)
    # No "lib" prefix: hosts load <target>.dll by that name.
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src/module_entry_windows.cpp)
    set_target_properties(${target} PROPERTIES PREFIX "")
    if(MINGW)
      # The runtime inside, to load on a bare Windows; a .def for import libraries.
      target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++
                                            -Wl,--output-def,${PROJECT_BINARY_DIR}/${target}.def)
    endif()
  elseif(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_link_options(${target} PRIVATE -Wl,--version-script=${arg_VERSION_SCRIPT} -Wl,--no-undefined)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${arg_VERSION_SCRIPT})
    # Packaging tools expect libc among the dependencies, which --as-needed
    # drops (the filters call nothing in it); -lc is a linker script, so the
    # file is named. libm only serves a software square root.
    target_link_libraries(${target} PRIVATE "-Wl,--push-state,--no-as-needed" "-l:libc.so.6"
                                            "-Wl,--pop-state" m)
  endif()
  install(TARGETS ${target} EXPORT tsfiltersTargets PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endfunction()
