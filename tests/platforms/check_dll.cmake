# Inspects a Windows tsfilters.dll with objdump:
# - the export table holds exactly the seven undecorated names (no @N
#   suffix, no leading underscore), so GetProcAddress finds them by name;
# - it imports only from Windows' own DLLs, so it loads on a bare Windows:
#   the GCC runtime (libgcc, libstdc++, libwinpthread) is linked in.
# With CHECK_CODE (32-bit x86), the code of the seven functions also
# - returns with a plain `ret`: cdecl, the caller removes the arguments;
# - does its arithmetic in SSE2 and none on the x87, whose extended
#   precision would change results. The x87 appears only to take the
#   double that exp() and cos() return in st(0), which is exact.
# EXPECTED (a ;-list) replaces the seven names, for another DLL.
#   cmake -DOBJDUMP=<target objdump> -DDLL=<dll> [-DEXPECTED=a;b] [-DCHECK_CODE=ON] -P check_dll.cmake
set(expected BandPass CyberneticOscillator HighPass LaguerreFilter LaguerreOscillator
             SuperSmoother UltimateSmoother)
if(DEFINED EXPECTED)
  set(expected ${EXPECTED})
  list(SORT expected)
endif()

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE headers RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed")
endif()

# Export names follow "[Ordinal/Name Pointer] Table", one "[   n] Name" a line.
string(FIND "${headers}" "[Ordinal/Name Pointer] Table" at)
if(at LESS 0)
  message(FATAL_ERROR "${DLL} has no export name table")
endif()
string(SUBSTRING "${headers}" ${at} -1 table)
string(REGEX REPLACE "\n[ \t]*\n.*" "" table "${table}")  # up to the blank line
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" rows "${table}")
set(exported "")
foreach(row IN LISTS rows)
  string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${row}")
  list(APPEND exported "${name}")
endforeach()
list(SORT exported)
if(NOT exported STREQUAL expected)
  message(FATAL_ERROR "${DLL} exports: ${exported}\nexpected exactly: ${expected}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
list(TRANSFORM imports REPLACE "DLL Name: " "")
foreach(dll IN LISTS imports)
  string(TOLOWER "${dll}" lower)
  if(NOT lower MATCHES "^(kernel32|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\\.dll$")
    message(FATAL_ERROR "${DLL} needs ${dll}, which a bare Windows does not have; "
                        "link the runtime statically")
  endif()
endforeach()

if(CHECK_CODE)
  foreach(name IN LISTS expected)
    # The 32-bit C symbol of a cdecl function carries a leading underscore.
    execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn --disassemble=_${name} ${DLL}
                    OUTPUT_VARIABLE code RESULT_VARIABLE rc)
    string(REGEX MATCHALL ":\t[a-z0-9]+[^\n]*" instructions "${code}")
    if(NOT rc EQUAL 0 OR NOT instructions)
      message(FATAL_ERROR "no code for _${name} in ${DLL}: a cdecl function has "
                          "that symbol, a __stdcall one _${name}@N")
    endif()
    set(returns 0)
    set(sse2 0)
    foreach(insn IN LISTS instructions)
      string(REGEX MATCH "^:\t([a-z0-9]+)" _ "${insn}")
      set(mnemonic ${CMAKE_MATCH_1})
      if(mnemonic MATCHES "^ret")
        math(EXPR returns "${returns} + 1")
        if(insn MATCHES "\\$")
          message(FATAL_ERROR "${name} pops its own arguments (${insn}): not cdecl")
        endif()
      elseif(mnemonic MATCHES "^(add|sub|mul|div|sqrt)s[sd]$")
        math(EXPR sse2 "${sse2} + 1")
      elseif(mnemonic MATCHES "^f" AND NOT mnemonic MATCHES "^(fstpl|fldl|fstl)$")
        message(FATAL_ERROR "${name} uses the x87 (${insn}): build with -msse2 -mfpmath=sse")
      endif()
    endforeach()
    if(returns EQUAL 0 OR sse2 EQUAL 0)
      message(FATAL_ERROR "${name}: ${returns} returns, ${sse2} SSE arithmetic instructions")
    endif()
  endforeach()
endif()

message(STATUS "${DLL}: exports ${exported}; imports ${imports}")
