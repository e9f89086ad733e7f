# Runs a Windows program under Wine with no display, no terminal and a
# private prefix, so that it works the same on a desktop and in CI.
#   cmake -DWINE=<wine64 or wine> -DWINEPREFIX=<dir> -P run_under_wine.cmake PROGRAM ARGS...
# The first run creates the prefix, which takes a few seconds.
# The program and its arguments are what follows the script's name.
set(args "")
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE 1 ${last})
  if(after_script)
    list(APPEND args "${CMAKE_ARGV${i}}")
  elseif(script_next)
    set(after_script TRUE)
  elseif(CMAKE_ARGV${i} STREQUAL "-P")
    set(script_next TRUE)
  endif()
endforeach()

set(ENV{WINEPREFIX} "${WINEPREFIX}")
set(ENV{WINEDEBUG} "-all")
# No installer dialogs for the .NET and HTML runtimes: nothing here needs them.
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})

execute_process(COMMAND ${WINE} ${args} INPUT_FILE /dev/null RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${WINE} ${args} failed (${rc})")
endif()
