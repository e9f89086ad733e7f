# expand_filter_table(<template> <output>)
# Writes <output> in the build tree as the C preprocessor's expansion of
# <template>, a file that includes src/filter_table.h and expands
# TSF_FILTER_TABLE: lists of the filters are generated from the one table
# rather than kept by hand. Rebuilt whenever the template or the table change.
function(expand_filter_table template output)
  cmake_path(ABSOLUTE_PATH template)
  cmake_path(ABSOLUTE_PATH output BASE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_C_COMPILER} -E -P -x c -I ${PROJECT_SOURCE_DIR}/src ${template} -o ${output}
    DEPENDS ${template} ${PROJECT_SOURCE_DIR}/src/filter_table.h
    COMMENT "Expanding the filter table into ${output}" VERBATIM)
endfunction()

