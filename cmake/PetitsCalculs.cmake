# Helpers shared by every subsystem.
include(GNUInstallDirs)
# Object modules go to lib/petits-calculs whatever the prefix (not the
# multiarch libdir), where the manual pages and the package say they are.
set(PETITS_OBJECT_DIR lib/petits-calculs)
# What is installed falls in two parts, each a Debian package: the programs,
# and what a programmer links into programs of their own.
set(PETITS_COMPONENTS programs dev)
set(PETITS_PACKAGES petits-calculs petits-calculs-dev)
# Installed directories are 0755 whatever the umask of the one who builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# petits_require_tool(<var> <program> <debian-package>)
# Finds a program the tests need; when it is missing, the configure stops
# with the name of the Debian package that provides it.
function(petits_require_tool var program package)
  find_program(${var} ${program})
  if(NOT ${var})
    message(FATAL_ERROR "${program} not found: the tests need it (Debian package ${package}). "
                        "Install it, or configure with -DBUILD_TESTING=OFF.")
  endif()
endfunction()

# add_program(<name> SOURCES <src>... [LINK <target>...])
# A console program: installs into bin/ (package petits-calculs), and
# registers a test that it does not load libstdc++ (C stdio only).
function(add_program name)
  cmake_parse_arguments(P "" "" "SOURCES;LINK" ${ARGN})
  add_executable(${name} ${P_SOURCES})
  target_link_libraries(${name} PRIVATE common ${P_LINK})
  install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
  set_property(GLOBAL APPEND PROPERTY PETITS_PROGRAMS ${name})
  if(BUILD_TESTING AND NOT PETITS_SANITIZE)
    add_test(NAME ${name}.no_libstdcxx
             COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${name}>
                     -P ${PROJECT_SOURCE_DIR}/cmake/check_no_libstdcxx.cmake)
  endif()
endfunction()

# install_object_module(<target> <subsystem> <object-name> DESCRIPTION <text>
#                       [HEADERS <h>...] [REQUIRES <module>...])
# Installs the single object file of an OBJECT library as
# <prefix>/lib/petits-calculs/<subsystem>/<object-name>.o, and its headers under
# include/petits-calculs (package petits-calculs-dev), so a programmer can
# link it into a program of theirs; cmake/Export.cmake makes it known to
# CMake as petits-calculs::<target> and to pkg-config as
# petits-calculs-<target>, which bring the modules it REQUIRES along.
function(install_object_module target subsystem object_name)
  cmake_parse_arguments(M "" "DESCRIPTION" "HEADERS;REQUIRES" ${ARGN})
  install(FILES $<TARGET_OBJECTS:${target}>
          DESTINATION ${PETITS_OBJECT_DIR}/${subsystem}
          RENAME ${object_name}.o COMPONENT dev)
  if(M_HEADERS)
    install(FILES ${M_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/petits-calculs
            COMPONENT dev)
    list(TRANSFORM M_HEADERS PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
    set_property(GLOBAL APPEND PROPERTY PETITS_HEADERS ${M_HEADERS})
  endif()
  set_property(GLOBAL APPEND PROPERTY PETITS_MODULES ${target})
  set_property(GLOBAL PROPERTY PETITS_MODULE_${target}_OBJECT ${subsystem}/${object_name}.o)
  set_property(GLOBAL PROPERTY PETITS_MODULE_${target}_DESCRIPTION "${M_DESCRIPTION}")
  set_property(GLOBAL PROPERTY PETITS_MODULE_${target}_REQUIRES ${M_REQUIRES})
endfunction()

# add_gtest(<name> SOURCES <src>... [LINK <target>...])
# A GoogleTest program registered with CTest, one CTest test per test case.
function(add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LINK" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  petits_test_code(${name})
  target_link_libraries(${name} PRIVATE common test_support GTest::gtest_main ${T_LINK})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 60)
endfunction()

# petits_test_code(<target>)
# Test code is compiled for a quick build, not for speed: -O1, whatever the
# build type (the code under test keeps the build type's optimisation).
function(petits_test_code target)
  target_compile_options(${target} PRIVATE -O1)
endfunction()

# petits_name_sources(<dir>)
# Defines PETITS_SOURCE, the path of the source in the repository
# ("demos/bytepeek.cpp"), for every source of every target in <dir> and
# below: the assertion diagnostics name it so, whatever the build directory
# or the prefix maps in a packager's flags.
function(petits_name_sources dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    foreach(source IN LISTS sources)
      if(source MATCHES "^\\$<" OR NOT source MATCHES "\\.cpp$")
        continue()
      endif()
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir} OUTPUT_VARIABLE absolute)
      cmake_path(RELATIVE_PATH absolute BASE_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE path)
      set_property(SOURCE ${absolute} DIRECTORY ${dir} APPEND PROPERTY
                   COMPILE_DEFINITIONS "PETITS_SOURCE=\"${path}\"")
    endforeach()
  endforeach()
  get_property(subdirectories DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    petits_name_sources(${subdirectory})
  endforeach()
endfunction()
