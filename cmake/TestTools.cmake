# Every tool the tests need, found once. With testing on, the configure stops
# if any is missing and names all of them with their Debian packages: the
# tests never silently shrink. With -DBUILD_TESTING=OFF none is looked for.
include(${CMAKE_CURRENT_LIST_DIR}/RequireTools.cmake)
include(GoogleTest)
if(CMAKE_CROSSCOMPILING)
  include(${CMAKE_CURRENT_LIST_DIR}/CrossTesting.cmake)
else()
  find_package(GTest)
  petits_require("${GTest_FOUND}" GoogleTest libgtest-dev)
endif()
# The readers of exocheck's report formats, which its tests feed them: every
# build runs those tests (prove's parser comes with perl).
petits_require_tool(PERL_PROGRAM perl perl)
petits_require_tool(XMLLINT_PROGRAM xmllint libxml2-utils)
petits_require_tool(CHROMIUM_PROGRAM chromium chromium)
petits_require_tool(PARALLEL_PROGRAM parallel parallel)  # a class spread over machines
# exocheck --memoire runs the candidates of its tests under Valgrind, natively.
if(NOT CMAKE_CROSSCOMPILING)
  petits_require_tool(VALGRIND_PROGRAM valgrind valgrind)
endif()
# Beyond those, a sanitizer build runs only the tests of the code: GoogleTest
# is enough.
if(NOT PETITS_SANITIZE)
  find_package(Python3 COMPONENTS Interpreter)
  petits_require("${Python3_Interpreter_FOUND}" python3 python3)  # page examples
  if(CMAKE_CROSSCOMPILING AND Python3_Interpreter_FOUND)
    # The machine's own interpreter: no emulator runs it.
    set_property(TARGET Python3::Interpreter PROPERTY CROSSCOMPILING_EMULATOR "")
  endif()
  petits_require_tool(GROFF_PROGRAM groff groff-base)        # manual pages format cleanly
  petits_require_tool(MAN_PROGRAM man man-db)
  petits_require_tool(PO4A_PROGRAM po4a po4a)                # the French pages
  petits_require_tool(DPKG_DEB_PROGRAM dpkg-deb dpkg-dev)    # the package test
  petits_require_tool(DPKG_SHLIBDEPS_PROGRAM dpkg-shlibdeps dpkg-dev)
  petits_require_tool(LINTIAN_PROGRAM lintian lintian)
  # Programs of one's own built from the delivered objects: in C, with pkg-config.
  if(CMAKE_CROSSCOMPILING)
    petits_require_tool(CC_PROGRAM ${PETITS_TRIPLET}-gcc gcc-${PETITS_TRIPLET})
  else()
    petits_require_tool(CC_PROGRAM cc gcc)
  endif()
  petits_require_tool(PKG_CONFIG_PROGRAM pkg-config pkg-config)
  petits_require_tool(CLANG_TIDY_PROGRAM clang-tidy clang-tidy)  # the static gate
  petits_require_tool(CPPCHECK_PROGRAM cppcheck cppcheck)
endif()
petits_stop_if_tools_missing("or configure with -DBUILD_TESTING=OFF to build without the tests.")
