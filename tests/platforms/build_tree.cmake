# Configures and builds the tree of one configure preset of this source.
#   cmake -DPRESET=mingw-x86_64 -DSOURCE_DIR=<source> -P build_tree.cmake
# Run from ctest under `make test`: the outer make's job server is not ours.
unset(ENV{MAKEFLAGS})
unset(ENV{MFLAGS})
unset(ENV{MAKELEVEL})

foreach(step IN ITEMS "--preset;${PRESET}" "--build;--preset;${PRESET}")
  execute_process(COMMAND ${CMAKE_COMMAND} ${step}
                  WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake ${step} failed (${rc})")
  endif()
endforeach()
