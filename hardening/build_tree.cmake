# Configures and builds one of the hardening trees from its presets, so that
# the main tree's ctest can prepare it as a fixture.
#   cmake -DPRESET=asan -DSOURCE_DIR=<checkout> -P build_tree.cmake
foreach(step IN ITEMS "--preset;${PRESET}" "--build;--preset;${PRESET}")
  execute_process(COMMAND ${CMAKE_COMMAND} ${step}
                  WORKING_DIRECTORY ${SOURCE_DIR}
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake ${step} failed (${rc})")
  endif()
endforeach()
