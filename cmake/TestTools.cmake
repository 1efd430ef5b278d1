# Every tool the tests need, found once. With testing on, a missing one stops
# the configure and names its Debian package: the tests never silently shrink.
# With -DBUILD_TESTING=OFF none of them is looked for.
include(GoogleTest)
if(CMAKE_CROSSCOMPILING)
  include(${CMAKE_CURRENT_LIST_DIR}/CrossTesting.cmake)
else()
  find_package(GTest)
  if(NOT GTest_FOUND)
    message(FATAL_ERROR "GoogleTest not found: the tests need it (Debian package libgtest-dev). "
                        "Install it, or configure with -DBUILD_TESTING=OFF.")
  endif()
endif()
# A sanitizer build runs only the tests of the code: GoogleTest is enough.
if(PETITS_SANITIZE)
  return()
endif()
find_package(Python3 COMPONENTS Interpreter)
if(NOT Python3_Interpreter_FOUND)
  message(FATAL_ERROR "python3 not found: the tests need it (Debian package python3). "
                      "Install it, or configure with -DBUILD_TESTING=OFF.")
endif()
if(CMAKE_CROSSCOMPILING)
  # The machine's own interpreter: no emulator runs it.
  set_property(TARGET Python3::Interpreter PROPERTY CROSSCOMPILING_EMULATOR "")
endif()
petits_require_tool(GROFF_PROGRAM groff groff-base)        # manual pages format cleanly
petits_require_tool(MAN_PROGRAM man man-db)
petits_require_tool(PO4A_TRANSLATE_PROGRAM po4a-translate po4a)  # the French pages
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
