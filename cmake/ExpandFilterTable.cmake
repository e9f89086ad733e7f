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

# write_filter_headers()
# Writes src/filters/all.hpp in the build tree: one #include per row of
# src/filter_table.h, of src/filters/<python_name>.hpp, in row order. The
# preprocessor cannot write #include lines, so the rows are read here, when
# the tree is configured; a change to the table configures it again. The
# file is only rewritten when its text changes.
function(write_filter_headers)
  set(table ${PROJECT_SOURCE_DIR}/src/filter_table.h)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
  file(READ ${table} source)
  string(REGEX MATCHALL "\n *X\\( *[A-Za-z0-9_]+, *[a-z0-9_]+," rows "${source}")
  string(CONCAT text "// Every filter's step and factory, for code that expands the filter table.\n"
                     "// Written by write_filter_headers() from src/filter_table.h.\n#pragma once\n\n")
  foreach(row IN LISTS rows)
    string(REGEX REPLACE ".*, *([a-z0-9_]+),$" "\\1" name "${row}")
    string(APPEND text "#include \"filters/${name}.hpp\"\n")
  endforeach()
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/src/filters/all.hpp CONTENT "${text}")
endfunction()
