# Runs output_dump natively and in another tree, and requires byte-identical
# dumps: the same bits from every build.
#   cmake -DNATIVE_DUMP=<exe> -DNATIVE_LIBRARY=<lib> -DTREE=<other tree>
#         -DWORK_DIR=<dir> "-DCOMMAND=<program;args>" -P compare_dumps.cmake
# COMMAND runs in TREE with the dump's file name appended.
file(MAKE_DIRECTORY ${WORK_DIR})
set(native ${WORK_DIR}/native.txt)
set(other ${TREE}/output_dump.txt)
file(REMOVE ${native} ${other})

execute_process(COMMAND ${NATIVE_DUMP} ${NATIVE_LIBRARY} ${native} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "native output_dump failed (${rc})")
endif()
execute_process(COMMAND ${COMMAND} output_dump.txt WORKING_DIRECTORY ${TREE}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT EXISTS ${other})
  message(FATAL_ERROR "${COMMAND} in ${TREE} failed (${rc})")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${native} ${other}
                RESULT_VARIABLE differ)
if(differ)
  # Name the first call whose outputs differ.
  file(STRINGS ${native} native_lines)
  file(STRINGS ${other} other_lines)
  list(LENGTH native_lines n)
  list(LENGTH other_lines m)
  set(first "")
  if(n GREATER 0 AND m GREATER 0)
    math(EXPR last "${n} - 1")
    foreach(i RANGE ${last})
      if(i GREATER_EQUAL m)
        break()
      endif()
      list(GET native_lines ${i} a)
      list(GET other_lines ${i} b)
      if(NOT a STREQUAL b)
        string(REGEX MATCH "^[^:]*" first "${a}")
        string(SUBSTRING "${a}" 0 300 a)
        string(SUBSTRING "${b}" 0 300 b)
        set(first "line ${i}: ${first}\n  native: ${a}\n  other:  ${b}")
        break()
      endif()
    endforeach()
  endif()
  message(FATAL_ERROR "${other} differs from ${native} (${n} vs ${m} lines)\n${first}")
endif()
file(SIZE ${native} bytes)
message(STATUS "identical dumps, ${bytes} bytes")
