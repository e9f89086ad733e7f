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
# The JavaScript package filters its tables through the lanes; the segments
# call (segments_api.cpp, with a 20 KiB stack frame) stays native.
list(REMOVE_ITEM stream_exports tsf_segments_run)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS src/stream/export_names.txt)
list(TRANSFORM stream_exports PREPEND "-Wl,--export=")
target_sources(tsfilters_wasm PRIVATE ${PROJECT_BINARY_DIR}/wasm_exports.rsp)
set_source_files_properties(${PROJECT_BINARY_DIR}/wasm_exports.rsp PROPERTIES HEADER_FILE_ONLY ON)
# The shipped module carries no names; TSFILTERS_WASM_NAMES keeps the
# function names (not the debug sections) for js/scripts/wasm_functions.mjs,
# which lists where the code goes.
option(TSFILTERS_WASM_NAMES "keep the function names in tsfilters.wasm (size analysis; not for shipping)" OFF)
if(TSFILTERS_WASM_NAMES)
  set(strip -Wl,--strip-debug)
else()
  set(strip -Wl,--strip-all)
endif()
target_link_options(tsfilters_wasm PRIVATE -mexec-model=reactor "-Wl,@${PROJECT_BINARY_DIR}/wasm_exports.rsp"
  ${stream_exports} -Wl,--export=malloc -Wl,--export=free ${strip})
set_property(TARGET tsfilters_wasm APPEND PROPERTY LINK_DEPENDS ${PROJECT_BINARY_DIR}/wasm_exports.rsp)

# The npm package's generated files, in js/generated: the module as base64
# (the default entry), the module itself (the lean entry loads it) and the
# filter table.
find_program(TSFILTERS_NODE node REQUIRED)
set(js ${PROJECT_SOURCE_DIR}/js)
file(MAKE_DIRECTORY ${js}/generated)
expand_filter_table(${js}/src/filter_table.js.in ${js}/generated/filter_table.js)
add_custom_command(OUTPUT ${js}/generated/tsfilters_wasm.js
  COMMAND ${TSFILTERS_NODE} ${js}/scripts/embed_wasm.mjs $<TARGET_FILE:tsfilters_wasm> ${js}/generated/tsfilters_wasm.js
  DEPENDS tsfilters_wasm ${js}/scripts/embed_wasm.mjs
  COMMENT "Embedding tsfilters.wasm into the npm package" VERBATIM)
add_custom_command(OUTPUT ${js}/generated/tsfilters.wasm
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:tsfilters_wasm> ${js}/generated/tsfilters.wasm
  DEPENDS tsfilters_wasm VERBATIM)
add_custom_target(tsfilters_js ALL DEPENDS ${js}/generated/tsfilters_wasm.js ${js}/generated/tsfilters.wasm
                                           ${js}/generated/filter_table.js)

# ---- tests: run in Node (and Chromium for the page), never by an emulator.
if(NOT TSFILTERS_BUILD_TESTS)
  return()
endif()
enable_testing()
set(npm_env PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm_config_fund=false npm_config_audit=false)
# The package's development tools, exactly as its lockfile pins them.
add_test(NAME js.npm_ci WORKING_DIRECTORY ${js} COMMAND ${CMAKE_COMMAND} -E env ${npm_env} npm ci --no-progress)
set_tests_properties(js.npm_ci PROPERTIES FIXTURES_SETUP npm TIMEOUT 600)
# The lean entry, bundled by esbuild from the same sources (npm pack does
# the same).
add_test(NAME js.lean_bundle WORKING_DIRECTORY ${js} COMMAND ${TSFILTERS_NODE} scripts/build_lean.mjs)
set_tests_properties(js.lean_bundle PROPERTIES FIXTURES_REQUIRED npm FIXTURES_SETUP lean)
# What a page downloads: the .wasm at most 80 KB gzipped, an application of
# one function from the lean entry at most 15 KB, with the chart adapter 25 KB.
add_test(NAME js.sizes WORKING_DIRECTORY ${js} COMMAND ${TSFILTERS_NODE} scripts/sizes.mjs --check)
set_tests_properties(js.sizes PROPERTIES FIXTURES_REQUIRED lean)
file(GLOB node_tests CONFIGURE_DEPENDS ${js}/test/*.test.js)
add_test(NAME js.node_tests WORKING_DIRECTORY ${js} COMMAND ${TSFILTERS_NODE} --test ${node_tests})
set_tests_properties(js.node_tests PROPERTIES FIXTURES_REQUIRED lean)
# The lanes and the book once more on the scalar code, which must give the same bits.
add_test(NAME js.scalar_lanes WORKING_DIRECTORY ${js}
         COMMAND ${CMAKE_COMMAND} -E env TSFILTERS_SIMD=scalar ${TSFILTERS_NODE} --test ${js}/test/lanes.test.js
                 ${js}/test/book.test.js)
# Consumers in TypeScript that use every export, checked strictly by
# TypeScript 5.9 and 7, with and without esnext.disposable.
add_test(NAME js.typecheck WORKING_DIRECTORY ${js} COMMAND sh scripts/typecheck.sh)
set_tests_properties(js.typecheck PROPERTIES FIXTURES_REQUIRED npm)
# The same for a user of tsfilters/lightweight-charts, with the chart library's types.
add_test(NAME js.typecheck_chart WORKING_DIRECTORY ${js}
         COMMAND ${TSFILTERS_NODE} node_modules/typescript/bin/tsc --strict --noEmit -p examples/tsconfig.chart.json)
set_tests_properties(js.typecheck_chart PROPERTIES FIXTURES_REQUIRED npm)
# tsfilters/lightweight-charts on the chart library from npm, in headless
# Chromium, offline: the line against the batch call and Stream.peek.
add_test(NAME js.chart_adapter WORKING_DIRECTORY ${js}
         COMMAND ${TSFILTERS_NODE} --test test/browser/lightweight-charts.test.mjs)
set_tests_properties(js.chart_adapter PROPERTIES FIXTURES_REQUIRED npm TIMEOUT 300)
# The tarball as web applications build it, outside the tree: Vite (client
# and server rendering), webpack and an esbuild IIFE, each page in Chromium
# drawing the batch call's bits through tsfilters/lean and the adapter.
add_test(NAME js.bundlers WORKING_DIRECTORY ${js} COMMAND ${TSFILTERS_NODE} --test test/bundlers/bundlers.test.mjs)
set_tests_properties(js.bundlers PROPERTIES FIXTURES_REQUIRED npm TIMEOUT 600)
# `npm pack`'s tarball, packed without leaving anything in the tree,
# installed into an empty folder: ES module and CommonJS consumers on this
# Node and on Node 20.10.0 (from npm, cached in packed.node-20.10 beside the
# folder, so later runs are offline), TypeScript 5.9 and 7 on typed
# consumers, and the README's and docs' examples.
add_test(NAME js.packed_package COMMAND ${js}/scripts/check_packed.sh ${PROJECT_BINARY_DIR}/packed)
set_tests_properties(js.packed_package PROPERTIES FIXTURES_REQUIRED npm TIMEOUT 300)
# The chart page in headless Chromium, offline.
set(web ${PROJECT_SOURCE_DIR}/examples/web)
add_test(NAME web.bundle WORKING_DIRECTORY ${web} COMMAND ${TSFILTERS_NODE} build.mjs)
set_tests_properties(web.bundle PROPERTIES FIXTURES_REQUIRED npm FIXTURES_SETUP web)
add_test(NAME web.page WORKING_DIRECTORY ${web}
         COMMAND ${CMAKE_COMMAND} -E env TSFILTERS_NATIVE_TREE=${TSFILTERS_REFERENCE_TREE}
                 TSFILTERS_SCREENSHOT=${PROJECT_BINARY_DIR}/web-chart.png
         ${TSFILTERS_NODE} --test test/page.test.mjs)
set_tests_properties(web.page PROPERTIES FIXTURES_REQUIRED web TIMEOUT 300)
# The lean entry in Chromium from a served folder: streaming and not, the
# bits of Node, and a Content-Security-Policy that blocks compiling.
add_test(NAME web.lean WORKING_DIRECTORY ${web} COMMAND ${TSFILTERS_NODE} --test test/lean.test.mjs)
set_tests_properties(web.lean PROPERTIES FIXTURES_REQUIRED lean TIMEOUT 300)

# The same bits as the native build of TSFILTERS_REFERENCE_TREE: its output
# dump, its saved states continued here, and this module's saved states
# continued there.
if(NOT TSFILTERS_REFERENCE_TREE)
  return()
endif()
set(platforms ${js}/test/platforms)
set(ref ${TSFILTERS_REFERENCE_TREE})
# A live book saved by the Python package on the reference build's libraries
# continues in this module, and one saved here continues there.
add_test(NAME book.python_and_javascript WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
         COMMAND ${TSFILTERS_PYTHON} -m pytest -q -p no:cacheprovider -W error
                 python/tests/test_book_across_languages.py)
set_tests_properties(book.python_and_javascript PROPERTIES TIMEOUT 300
  ENVIRONMENT "TSFILTERS_LIBRARY=${ref}/libtsfilters.so;TSFILTERS_STREAM_LIBRARY=${ref}/libtsfilters_stream.so;PYTHONDONTWRITEBYTECODE=1;TSFILTERS_JS_REQUIRED=1")
add_test(NAME dump.write WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
         COMMAND ${TSFILTERS_NODE} ${platforms}/output_dump.js output_dump.txt)
set_tests_properties(dump.write PROPERTIES FIXTURES_SETUP dump)
add_test(NAME dump.matches_reference
         COMMAND ${TSFILTERS_PYTHON} ${PROJECT_SOURCE_DIR}/tests/scripts/compare_dumps.py
                 ${ref}/output_dump.txt ${PROJECT_BINARY_DIR}/output_dump.txt)
set_tests_properties(dump.matches_reference PROPERTIES FIXTURES_REQUIRED dump)
add_test(NAME stream.continues_saved_states WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
         COMMAND ${TSFILTERS_NODE} ${platforms}/stream_continuation.js continue ${ref}/stream_states.txt stream_outputs.txt)
add_test(NAME stream.continuation_matches_reference WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
         COMMAND ${CMAKE_COMMAND} -E compare_files ${ref}/stream_outputs.txt stream_outputs.txt)
set_tests_properties(stream.continues_saved_states PROPERTIES FIXTURES_SETUP continued)
set_tests_properties(stream.continuation_matches_reference PROPERTIES FIXTURES_REQUIRED continued)
add_test(NAME stream.saves_states WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
         COMMAND ${TSFILTERS_NODE} ${platforms}/stream_continuation.js save wasm_states.txt wasm_outputs.txt)
add_test(NAME stream.native_continues_saved_states WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
         COMMAND ${ref}/stream_continuation ${ref}/libtsfilters_stream.so continue wasm_states.txt native_outputs.txt)
add_test(NAME stream.native_continuation_matches WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
         COMMAND ${CMAKE_COMMAND} -E compare_files wasm_outputs.txt native_outputs.txt)
set_tests_properties(stream.saves_states PROPERTIES FIXTURES_SETUP saved)
set_tests_properties(stream.native_continues_saved_states PROPERTIES FIXTURES_REQUIRED saved FIXTURES_SETUP native_continued)
set_tests_properties(stream.native_continuation_matches PROPERTIES FIXTURES_REQUIRED native_continued)
# Saved books, both ways: the reference build's continued here, and this
# module's (saved with symbols, the package's options after the library's
# bytes) continued there.
add_test(NAME book.continues_saved_books WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
         COMMAND ${TSFILTERS_NODE} ${platforms}/book_continuation.js continue ${ref}/book_states.txt book_outputs.txt)
add_test(NAME book.continuation_matches_reference
         COMMAND ${CMAKE_COMMAND} -E compare_files ${ref}/book_outputs.txt ${PROJECT_BINARY_DIR}/book_outputs.txt)
add_test(NAME book.saves_books WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
         COMMAND ${TSFILTERS_NODE} ${platforms}/book_continuation.js save wasm_books.txt wasm_book_outputs.txt)
add_test(NAME book.native_continues_saved_books WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
         COMMAND ${ref}/book_continuation ${ref}/libtsfilters_stream.so continue wasm_books.txt native_book_outputs.txt)
add_test(NAME book.native_continuation_matches WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
         COMMAND ${CMAKE_COMMAND} -E compare_files wasm_book_outputs.txt native_book_outputs.txt)
set_tests_properties(book.continues_saved_books PROPERTIES FIXTURES_SETUP books_continued)
set_tests_properties(book.continuation_matches_reference PROPERTIES FIXTURES_REQUIRED books_continued)
set_tests_properties(book.saves_books PROPERTIES FIXTURES_SETUP books_saved)
set_tests_properties(book.native_continues_saved_books PROPERTIES FIXTURES_REQUIRED books_saved FIXTURES_SETUP books_native_continued)
set_tests_properties(book.native_continuation_matches PROPERTIES FIXTURES_REQUIRED books_native_continued)
