# Runs the constants generator and requires its output to equal the header
# kept in the tree.
#   cmake -DGENERATOR=... -DHEADER=... -DOUTPUT=... -P check_generated.cmake
execute_process(COMMAND ${GENERATOR} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${GENERATOR} failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${HEADER}
                RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${HEADER} differs from what ${GENERATOR} writes (${OUTPUT})")
endif()
