# Installs a built tree into a scratch prefix and proves the install usable:
# the expected files are there, a consumer project finds the package with
# find_package (and is refused an incompatible major version), and a
# consumer compiled with only pkg-config's flags builds and runs.
#   cmake -DBUILD_DIR= -DWORK_DIR= -DCONSUMER= -DLIBDIR= -DINCLUDEDIR= -DVERSION=
#         -DC_COMPILER= -DGENERATOR= [-DPKG_CONFIG=] -P check_install.cmake
unset(ENV{MAKEFLAGS})  # the outer make's job server is not ours
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${ARGN}\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

function(expect_ok_line what text)
  if(NOT text MATCHES "tsfilters ${VERSION} \\([0-9.]+\\): ok")
    message(FATAL_ERROR "${what} printed:\n${text}")
  endif()
endfunction()

run("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

string(REGEX MATCH "^[0-9]+" major "${VERSION}")
foreach(file IN ITEMS
    ${INCLUDEDIR}/tsfilters.h ${INCLUDEDIR}/tsfilters_version.h
    ${LIBDIR}/libtsfilters.so ${LIBDIR}/libtsfilters.so.${major}
    ${LIBDIR}/libtsfilters.so.${VERSION}
    ${LIBDIR}/cmake/tsfilters/tsfiltersConfig.cmake
    ${LIBDIR}/cmake/tsfilters/tsfiltersConfigVersion.cmake
    ${LIBDIR}/cmake/tsfilters/tsfiltersTargets.cmake
    ${LIBDIR}/pkgconfig/tsfilters.pc)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# find_package: the version asked for, and one from the next major version.
set(configure ${CMAKE_COMMAND} -S ${CONSUMER} -G ${GENERATOR} -DCMAKE_C_COMPILER=${C_COMPILER}
              -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
string(REGEX MATCH "^[0-9]+\\.[0-9]+" major_minor "${VERSION}")
run("configure the consumer" ${configure} -B ${WORK_DIR}/cmake -DTSFILTERS_VERSION=${major_minor})
run("build the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/cmake)
run("the find_package consumer" ${WORK_DIR}/cmake/consumer)
expect_ok_line("the find_package consumer" "${output}")

math(EXPR next_major "${major} + 1")
execute_process(COMMAND ${configure} -B ${WORK_DIR}/cmake-next -DTSFILTERS_VERSION=${next_major}.0
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(rc EQUAL 0)
  message(FATAL_ERROR "find_package(tsfilters ${next_major}.0) accepted version ${VERSION}")
endif()

# pkg-config: nothing but the flags it gives.
if(PKG_CONFIG)
  set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
  run("pkg-config --modversion" ${PKG_CONFIG} --modversion tsfilters)
  string(STRIP "${output}" pc_version)
  if(NOT pc_version STREQUAL VERSION)
    message(FATAL_ERROR "tsfilters.pc says version '${pc_version}', the project ${VERSION}")
  endif()
  run("pkg-config --cflags --libs" ${PKG_CONFIG} --cflags --libs tsfilters)
  separate_arguments(flags UNIX_COMMAND "${output}")
  run("pkg-config --variable=libdir" ${PKG_CONFIG} --variable=libdir tsfilters)
  string(STRIP "${output}" libdir)
  file(MAKE_DIRECTORY ${WORK_DIR}/pkg-config)
  run("compile with pkg-config's flags"
      ${C_COMPILER} -std=c11 ${CONSUMER}/consumer.c ${flags} -o ${WORK_DIR}/pkg-config/consumer)
  run("the pkg-config consumer"
      ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libdir} ${WORK_DIR}/pkg-config/consumer)
  expect_ok_line("the pkg-config consumer" "${output}")
  message(STATUS "pkg-config: ${flags}")
else()
  message(WARNING "pkg-config not found: tsfilters.pc was installed but not tried")
endif()
message(STATUS "installed into ${prefix}; find_package and pkg-config consumers ran")
