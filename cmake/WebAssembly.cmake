# tsfilters.wasm: the batch functions and the stream library in one
# WebAssembly module, from the same sources as the native libraries, for the
# JavaScript package in js/. Exports its memory, the functions of both
# libraries' export lists, and malloc/free for the arrays JavaScript passes
# in. Built as a WASI reactor: _initialize runs the C library's start-up,
# and nothing else runs until JavaScript calls in.
add_executable(tsfilters_wasm src/exports.cpp src/stream/stream_api.cpp)
set_target_properties(tsfilters_wasm PROPERTIES OUTPUT_NAME tsfilters
  RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_include_directories(tsfilters_wasm PRIVATE ${PROJECT_SOURCE_DIR}/include
                                                  ${PROJECT_BINARY_DIR}/include ${PROJECT_SOURCE_DIR}/src)
target_compile_definitions(tsfilters_wasm PRIVATE TSFILTERS_BUILDING TSFILTERS_STREAM_BUILDING)
target_compile_options(tsfilters_wasm PRIVATE -Wall -Wextra -Wpedantic -Wconversion)
tsfilters_lanes(tsfilters_wasm)

expand_filter_table(src/wasm_exports.in wasm_exports.rsp)
file(STRINGS src/stream/export_names.txt stream_exports)
list(TRANSFORM stream_exports PREPEND "-Wl,--export=")
target_sources(tsfilters_wasm PRIVATE ${PROJECT_BINARY_DIR}/wasm_exports.rsp)
set_source_files_properties(${PROJECT_BINARY_DIR}/wasm_exports.rsp PROPERTIES HEADER_FILE_ONLY ON)
target_link_options(tsfilters_wasm PRIVATE -mexec-model=reactor "-Wl,@${PROJECT_BINARY_DIR}/wasm_exports.rsp"
  ${stream_exports} -Wl,--export=malloc -Wl,--export=free -Wl,--strip-all)
set_property(TARGET tsfilters_wasm APPEND PROPERTY LINK_DEPENDS ${PROJECT_BINARY_DIR}/wasm_exports.rsp)

# The npm package's generated files, in js/generated: the module as base64
# and the filter table.
find_program(TSFILTERS_NODE node REQUIRED)
set(js ${PROJECT_SOURCE_DIR}/js)
expand_filter_table(${js}/src/filter_table.js.in ${js}/generated/filter_table.js)
add_custom_command(OUTPUT ${js}/generated/tsfilters_wasm.js
  COMMAND ${TSFILTERS_NODE} ${js}/scripts/embed_wasm.mjs $<TARGET_FILE:tsfilters_wasm> ${js}/generated/tsfilters_wasm.js
  DEPENDS tsfilters_wasm ${js}/scripts/embed_wasm.mjs
  COMMENT "Embedding tsfilters.wasm into the npm package" VERBATIM)
add_custom_target(tsfilters_js ALL DEPENDS ${js}/generated/tsfilters_wasm.js ${js}/generated/filter_table.js)
