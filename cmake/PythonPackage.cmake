# The Python package's wheel (scikit-build-core sets SKBUILD): both libraries
# go into the package folder under the names it loads them by (the loader's
# rules are in python/tsfilters/_engine/loading.py). They are the same files a
# system install gets; only the name changes, since a wheel holds no links.
foreach(lib tsfilters tsfilters_stream)
  if(WIN32)
    set(name ${lib}.dll)
  else()
    set(name ${CMAKE_SHARED_LIBRARY_PREFIX}${lib}${CMAKE_SHARED_LIBRARY_SUFFIX})
  endif()
  install(FILES $<TARGET_FILE:${lib}> DESTINATION tsfilters RENAME ${name} COMPONENT python)
endforeach()
# Stripped as a system install's are (`cmake --install --strip` only strips
# what install(TARGETS) installs).
if(CMAKE_STRIP AND NOT WIN32)
  install(CODE "file(GLOB libs \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/tsfilters/*.so\")
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \${libs} COMMAND_ERROR_IS_FATAL ANY)"
    COMPONENT python)
endif()
