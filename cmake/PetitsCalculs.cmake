# Helpers shared by every subsystem.
include(GNUInstallDirs)
# Object modules go to lib/petits-calculs whatever the prefix (not the
# multiarch libdir), where the manual pages and the package say they are.
set(PETITS_OBJECT_DIR lib/petits-calculs)

# add_program(<name> SOURCES <src>... [LINK <target>...])
# A console program: links the stdout write check, installs into bin/, and
# registers a test that it does not load libstdc++ (C stdio only).
function(add_program name)
  cmake_parse_arguments(P "" "" "SOURCES;LINK" ${ARGN})
  add_executable(${name} ${P_SOURCES})
  target_link_libraries(${name} PRIVATE always_assert stdout_guard ${P_LINK})
  install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set_property(GLOBAL APPEND PROPERTY PETITS_PROGRAMS ${name})
  if(NOT PETITS_SANITIZE)
    add_test(NAME ${name}.no_libstdcxx
             COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${name}>
                     -P ${PROJECT_SOURCE_DIR}/cmake/check_no_libstdcxx.cmake)
  endif()
endfunction()

# install_object_module(<target> <subsystem> <object-name> [HEADERS <h>...])
# Installs the single object file of an OBJECT library as
# <prefix>/lib/petits-calculs/<subsystem>/<object-name>.o, and its headers under
# include/petits-calculs, so a programmer can link it into a program of theirs.
function(install_object_module target subsystem object_name)
  cmake_parse_arguments(M "" "" "HEADERS" ${ARGN})
  install(FILES $<TARGET_OBJECTS:${target}>
          DESTINATION ${PETITS_OBJECT_DIR}/${subsystem}
          RENAME ${object_name}.o)
  if(M_HEADERS)
    install(FILES ${M_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/petits-calculs)
  endif()
endfunction()

# add_gtest(<name> SOURCES <src>... [LINK <target>...])
# A GoogleTest program registered with CTest, one CTest test per test case.
function(add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LINK" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE always_assert test_support GTest::gtest_main ${T_LINK})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 60)
endfunction()
