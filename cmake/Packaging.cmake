# Debian packages of the suite. In the build directory,
#   cpack -G DEB
# builds two packages from what `cmake --install` installs, under /usr:
#   petits-calculs      the programs and their pages (component programs);
#   petits-calculs-dev  the object modules, their headers and pages (dev).
# Each carries its own copyright and changelog.gz. Only cpack needs dpkg-dev.
set(PETITS_MAINTAINER "petits-calculs developers <maintainers@petits-calculs.org>"
    CACHE STRING "Maintainer field of the Debian packages")

if(NOT CPACK_COMPONENTS_ALL)
  set(CPACK_COMPONENTS_ALL ${PETITS_COMPONENTS})
endif()
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  if(NOT component IN_LIST PETITS_COMPONENTS)
    message(FATAL_ERROR "CPACK_COMPONENTS_ALL names \"${component}\", which is not a "
                        "component of petits-calculs (${PETITS_COMPONENTS})")
  endif()
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME petits-calculs)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${PETITS_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PETITS_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/cpack_require_pages.cmake
                            ${CMAKE_CURRENT_LIST_DIR}/cpack_strip.cmake
                            ${CMAKE_CURRENT_LIST_DIR}/cpack_cross_depends.cmake)
if(CMAKE_CROSSCOMPILING)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${PETITS_DEBIAN_ARCH})
  set(CPACK_PETITS_DEBIAN_ARCH ${PETITS_DEBIAN_ARCH})
  set(CPACK_PETITS_TRIPLET ${PETITS_TRIPLET})
endif()
set(CPACK_PETITS_AR ${CMAKE_AR})
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/cpack_rearchive.cmake)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME petits-calculs)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SHLIBDEPS ON)
# exocheck confines the programs it checks with bubblewrap when it is there;
# its --memoire runs them under Valgrind. Recommended, not required: a check
# without either still runs (unconfined, or without the memory check, which
# then says what to install), but a course checking C programs wants both,
# and apt installs what is recommended unless told not to.
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_RECOMMENDS "bubblewrap, valgrind")
set(CPACK_DEBIAN_PROGRAMS_DESCRIPTION
"small French console programs on grades, clock times and numbers
Fifteen small console exercises that answer in French on standard output: a
weighted grade report, clock-time arithmetic and conversions, a quadratic
solver, integer stream tallies and short language demonstrations. All but
greetjoin and decaydemo read numbers typed or piped on standard input. Every
precondition is an always-active assertion that stops the program with a
clear diagnostic.
.
exocheck checks a learner's own solution of one of these exercises against
its reference program.
.
Each program has a manual page with examples, in English and in French.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME petits-calculs-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
# Linking the object modules needs the C library's development files, and
# nothing else: they use C stdio only.
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libc6-dev")
set(CPACK_DEBIAN_DEV_DESCRIPTION
"object modules of the petits-calculs programs
The object modules the petits-calculs programs are linked from, to link
into programs of your own: the grade computations, the console tables of
reals and the grade report's main, two clock modules (a backward step of a
24-hour clock, and a clock whose hours grow without limit), and the main of
the bar-separated maximum.
.
The package holds the object files, their headers and a manual page for
each module.")

# At cpack time: the dates in the packages default to the last commit's
# time, so that one commit gives the same bytes to every builder.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/CPackProjectConfig.cmake)
configure_file(${CMAKE_CURRENT_LIST_DIR}/CPackProjectConfig.cmake.in
               ${CPACK_PROJECT_CONFIG_FILE} @ONLY)
include(CPack)

# The package test, in steps (cmake/check_package.cmake): the packages are
# built once, then each check is a test of its own, with its own timeout,
# and the work directory is removed at the end. Not for a sanitizer build,
# which is never packaged; of the cross builds, the arm64 one: s390x's
# packages are made the same way, and would only add minutes.
if(BUILD_TESTING AND NOT PETITS_SANITIZE AND (NOT CMAKE_CROSSCOMPILING OR PETITS_DEBIAN_ARCH STREQUAL "arm64"))
  set(arguments -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DBUILD_DIR=${PROJECT_BINARY_DIR}
                -DWORK=${PROJECT_BINARY_DIR}/package-test
                -DGENERATOR=${CMAKE_GENERATOR} -DBUILD_TYPE=${CMAKE_BUILD_TYPE}
                "-DCXX_FLAGS=${CMAKE_CXX_FLAGS}" "-DLINKER_FLAGS=${CMAKE_EXE_LINKER_FLAGS}"
                -DMULTIARCH=${CMAKE_LIBRARY_ARCHITECTURE}
                -DCONTENTS=${CMAKE_CURRENT_LIST_DIR}/package-contents.txt
                -DCPACK=${CMAKE_CPACK_COMMAND} -DDPKG_DEB=${DPKG_DEB_PROGRAM}
                -DLINTIAN=${LINTIAN_PROGRAM} -DPKG_CONFIG=${PKG_CONFIG_PROGRAM}
                -DCC=${CC_PROGRAM} -DPYTHON=${Python3_EXECUTABLE} -DVERSION=${PROJECT_VERSION}
                -DCHECK_EXAMPLES=${PROJECT_SOURCE_DIR}/man/check_examples.py
                -DTOOLCHAIN=${CMAKE_TOOLCHAIN_FILE})
  # <step> <timeout in seconds>: about three times what each took on a 2-core
  # machine loaded by several builds (lintian 106 s, the rebuild 114 s, the
  # examples 100 s, exocheck's check under Valgrind in both languages 40 s
  # of them).
  set(steps build 60 lintian 300 contents 60 examples 300 consumer.cmake 60
            consumer.pkgconfig 60 reproducible 360 clean 60)
  while(steps)
    list(POP_FRONT steps step timeout)
    add_test(NAME package.${step}
             COMMAND ${CMAKE_COMMAND} -DSTEP=${step} ${arguments}
                     -P ${CMAKE_CURRENT_LIST_DIR}/check_package.cmake)
    set_tests_properties(package.${step} PROPERTIES TIMEOUT ${timeout})
    if(step STREQUAL "build")
      set_tests_properties(package.${step} PROPERTIES FIXTURES_SETUP package)
    elseif(step STREQUAL "clean")
      set_tests_properties(package.${step} PROPERTIES FIXTURES_CLEANUP package)
    else()
      set_tests_properties(package.${step} PROPERTIES FIXTURES_REQUIRED package)
    endif()
  endwhile()

  # cpack refuses a staged tree whose English page has no French twin.
  set(english_only ${CMAKE_CURRENT_BINARY_DIR}/english-only)
  file(WRITE ${english_only}/programs/usr/share/man/man1/barmax.1.gz "")
  add_test(NAME package.french_pages_required
           COMMAND ${CMAKE_COMMAND} -DCPACK_TEMPORARY_DIRECTORY=${english_only}
                   -P ${CMAKE_CURRENT_LIST_DIR}/cpack_require_pages.cmake)
  set_tests_properties(package.french_pages_required PROPERTIES
    PASS_REGULAR_EXPRESSION "usr/share/man/fr/man1/barmax\\.1\\.gz.*apt-get install po4a")
endif()
