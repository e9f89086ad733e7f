# The library computes exp, cos and sqrt itself: it imports none of the
# platform's math functions, in any of their spellings.
#   cmake -DNM=nm -DLIBRARY=libtsfilters.so -P check_no_math_imports.cmake
execute_process(COMMAND ${NM} -D --undefined-only --format=just-symbols ${LIBRARY}
                OUTPUT_VARIABLE imported RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()
string(REGEX REPLACE "\n$" "" imported "${imported}")
string(REPLACE "\n" ";" imported "${imported}")
foreach(symbol IN LISTS imported)
  if(symbol MATCHES "^(__)?(exp|cos|sqrt|sincos)[fl]?(_finite)?(@.*)?$")
    message(FATAL_ERROR "the library imports platform math: ${symbol}")
  endif()
endforeach()
message(STATUS "imports: ${imported}")
