# The Debian package, built by CPack from a tree configured with the install
# prefix /usr (the `dist` preset), so that GNUInstallDirs gives Debian's
# multiarch library directory:
#   cpack --config build/dist/CPackConfig.cmake -B dist
# gives tsfilters_<version>_<arch>.deb with both shared libraries and their
# SONAME links, the headers, the CMake package and tsfilters.pc, and in
# /usr/share/doc/tsfilters the copyright file and changelog that Debian
# requires of every package.
set(TSFILTERS_PACKAGE_CONTACT "tsfilters developers <tsfilters@example.org>" CACHE STRING
    "Maintainer of the Debian package, \"Name <address>\"")

# Debian's machine-readable copyright file: the MIT licence, which Debian
# calls Expat, as one stanza, its text indented and blank lines as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" _ "${licence}")
set(holder "${CMAKE_MATCH_1}")
string(REGEX REPLACE "\n+$" "" licence "${licence}")
string(REPLACE "\n\n" "\n.\n" licence "${licence}")
string(REPLACE "\n" "\n " licence "${licence}")
file(WRITE ${PROJECT_BINARY_DIR}/debian/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: tsfilters

Files: *
Copyright: ${holder}
License: Expat
 ${licence}
")

# A native package's changelog.gz, in Debian's format, for this release;
# its date is the release's date in CHANGELOG.md, so that the package is the
# same whenever it is built.
file(READ ${PROJECT_SOURCE_DIR}/CHANGELOG.md changes)
string(REGEX MATCH "## \\[${PROJECT_VERSION}\\] - ([0-9]+)-([0-9]+)-([0-9]+)" _ "${changes}")
if(NOT CMAKE_MATCH_0)
  message(FATAL_ERROR "CHANGELOG.md has no section \"## [${PROJECT_VERSION}] - YYYY-MM-DD\"")
endif()
execute_process(COMMAND date -u -R -d "${CMAKE_MATCH_1}-${CMAKE_MATCH_2}-${CMAKE_MATCH_3}"
                OUTPUT_VARIABLE release_date OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
file(WRITE ${PROJECT_BINARY_DIR}/debian/changelog
"tsfilters (${PROJECT_VERSION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION}; the changes are listed in CHANGELOG.md of the
    source tree.

 -- ${TSFILTERS_PACKAGE_CONTACT}  ${release_date}
")
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.gz
  COMMAND gzip -n -9 -c ${PROJECT_BINARY_DIR}/debian/changelog > ${PROJECT_BINARY_DIR}/debian/changelog.gz
  DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
add_custom_target(debian_docs ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)
# Only the package installs them: a plain `cmake --install` does not.
install(FILES ${PROJECT_BINARY_DIR}/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/tsfilters
        COMPONENT debian_docs EXCLUDE_FROM_ALL)
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${PROJECT_BINARY_DIR};tsfilters;ALL;/"
    "${PROJECT_BINARY_DIR};tsfilters;debian_docs;/")

set(CPACK_GENERATOR DEB)
# Known at configure time, so that the tests can name the package file.
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(CPACK_PACKAGE_NAME tsfilters)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TSFILTERS_PACKAGE_CONTACT}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The synopsis is PROJECT_DESCRIPTION; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Two shared libraries of single-precision filters and oscillators for daily
price histories and other regularly sampled series, exact to the bit on
every build. libtsfilters filters whole series through seven C functions;
libtsfilters_stream runs the same filters one sample or chunk at a time,
with a forming-bar peek and portable saved state. Headers, a CMake package
and a pkg-config file are included.")
# Depends from the libraries' own needs (dpkg-shlibdeps). The shlibs file,
# for packages linked against the libraries, and the ldconfig trigger are
# written here: CPack's own would run ldconfig from maintainer scripts,
# which Debian replaced with the trigger.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
file(WRITE ${PROJECT_BINARY_DIR}/debian/shlibs
"libtsfilters ${PROJECT_VERSION_MAJOR} tsfilters (>= ${PROJECT_VERSION})
libtsfilters_stream ${PROJECT_VERSION_MAJOR} tsfilters (>= ${PROJECT_VERSION})
")
file(WRITE ${PROJECT_BINARY_DIR}/debian/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/debian/shlibs ${PROJECT_BINARY_DIR}/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
