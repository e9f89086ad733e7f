# Every function of the library has a bounded stack frame (GCC's
# -fstack-usage reports "static", or "dynamic,bounded" where a 32-bit build
# realigns the stack), so stack use does not grow with count.
#   cmake -DDIR=<object directory of the library> -P check_stack_usage.cmake
file(GLOB_RECURSE reports "${DIR}/*.su")
if(NOT reports)
  message(FATAL_ERROR "no stack usage reports under ${DIR}")
endif()
foreach(report IN LISTS reports)
  file(STRINGS "${report}" lines)
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "\t(static|dynamic,bounded)$")
      message(FATAL_ERROR "frame size depends on the call: ${line}")
    endif()
    message(STATUS "${line}")
  endforeach()
endforeach()
