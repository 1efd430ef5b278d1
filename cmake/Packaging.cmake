# Debian package of the whole suite. In the build directory,
#   cpack -G DEB
# builds petits-calculs_<version>_<arch>.deb holding what `cmake --install`
# installs, under /usr: the programs, the object modules with their headers,
# and the manual pages.
include(GNUInstallDirs)

# Maintainer: PETITS_MAINTAINER when given, else the git identity of the
# checkout, else the project's own address.
if(NOT PETITS_MAINTAINER)
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} config user.name
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE git_name OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND ${GIT_EXECUTABLE} config user.email
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE git_email OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(git_name AND git_email)
    set(maintainer "${git_name} <${git_email}>")
  else()
    set(maintainer "petits-calculs maintainers <petits-calculs@localhost>")
  endif()
  set(PETITS_MAINTAINER "${maintainer}" CACHE STRING "Maintainer field of the Debian package")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME petits-calculs)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${PETITS_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "small French console programs on grades, clock times and numbers")
# The summary above is the first line of the Description field; this is the
# rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Fifteen small interactive programs that read numbers on standard input and
answer in French on standard output: a weighted grade report, clock-time
arithmetic and conversions, a quadratic solver, integer stream tallies and
short language demonstrations. Every precondition is an always-active
assertion.
.
The package also holds the object modules the programs are linked from
(grade computations, console tables of reals, two clock modules), with their
C++ headers, and a manual page for each program and module.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
find_program(DPKG_SHLIBDEPS_PROGRAM dpkg-shlibdeps REQUIRED)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

# The package builds, and its extracted contents work: pages, modules and a
# program that runs from there. A sanitizer build is not packaged.
find_program(DPKG_DEB_PROGRAM dpkg-deb REQUIRED)
if(BUILD_TESTING AND NOT PETITS_SANITIZE)
  # The examples of every page also run from the package, the linking
  # examples of section 3 included.
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(python ${Python3_EXECUTABLE})
  add_test(NAME package.deb
           COMMAND ${CMAKE_COMMAND}
                   -DBUILD_DIR=${PROJECT_BINARY_DIR}
                   -DCPACK=${CMAKE_CPACK_COMMAND}
                   -DDPKG_DEB=${DPKG_DEB_PROGRAM}
                   -DPACKAGE_NAME=${CPACK_PACKAGE_NAME}
                   -DLIBDIR=lib
                   -DMANDIR=${CMAKE_INSTALL_MANDIR}
                   -DINCLUDEDIR=${CMAKE_INSTALL_INCLUDEDIR}
                   -DPYTHON=${python}
                   -DCHECK_EXAMPLES=${PROJECT_SOURCE_DIR}/man/check_examples.py
                   -P ${CMAKE_CURRENT_LIST_DIR}/check_package.cmake)
  set_tests_properties(package.deb PROPERTIES TIMEOUT 300)
endif()
