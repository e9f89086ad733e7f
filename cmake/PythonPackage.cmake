# The Python package's wheel (scikit-build-core sets SKBUILD): both libraries
# go into the package folder under the names it loads them by (the loader's
# rules are in python/tsfilters/_library.py). They are the same files a
# system install gets; only the name changes, since a wheel holds no links.
foreach(lib tsfilters tsfilters_stream)
  if(WIN32)
    set(name ${lib}.dll)
  else()
    set(name ${CMAKE_SHARED_LIBRARY_PREFIX}${lib}${CMAKE_SHARED_LIBRARY_SUFFIX})
  endif()
  install(FILES $<TARGET_FILE:${lib}> DESTINATION tsfilters RENAME ${name} COMPONENT python)
endforeach()
