# How programs of one's own find the delivered object modules (package
# petits-calculs-dev): find_package(petits-calculs) gives the imported
# targets petits-calculs::<module>, and pkg-config the names
# petits-calculs-<module>. Both find the prefix from where they are
# installed, so an installation can be moved. They go under the multiarch
# library directory where there is one, where pkg-config and CMake look
# (also for cross-compilation).
include(CMakePackageConfigHelpers)
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(arch_libdir lib/${CMAKE_LIBRARY_ARCHITECTURE})
else()
  set(arch_libdir lib)
endif()
set(config_dir ${arch_libdir}/cmake/petits-calculs)
set(pc_dir ${arch_libdir}/pkgconfig)
file(RELATIVE_PATH PC_TO_PREFIX /prefix/${pc_dir} /prefix)
string(REGEX REPLACE "/$" "" PC_TO_PREFIX "${PC_TO_PREFIX}")

get_property(modules GLOBAL PROPERTY PETITS_MODULES)
set(PETITS_CMAKE_MODULES "")
foreach(PC_MODULE IN LISTS modules)
  get_property(PC_OBJECT GLOBAL PROPERTY PETITS_MODULE_${PC_MODULE}_OBJECT)
  get_property(PC_DESCRIPTION GLOBAL PROPERTY PETITS_MODULE_${PC_MODULE}_DESCRIPTION)
  get_property(required GLOBAL PROPERTY PETITS_MODULE_${PC_MODULE}_REQUIRES)
  list(JOIN required " " arguments)
  string(STRIP "${PC_MODULE} ${PC_OBJECT} ${arguments}" arguments)
  string(APPEND PETITS_CMAKE_MODULES "  _petits_calculs_module(${arguments})\n")
  set(PC_REQUIRES "")
  if(required)
    list(TRANSFORM required PREPEND petits-calculs-)
    list(JOIN required " " PC_REQUIRES)
    set(PC_REQUIRES "Requires: ${PC_REQUIRES}\n")
  endif()
  configure_file(${CMAKE_CURRENT_LIST_DIR}/petits-calculs-module.pc.in
                 pkgconfig/petits-calculs-${PC_MODULE}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/petits-calculs-${PC_MODULE}.pc
          DESTINATION ${pc_dir} COMPONENT dev)
endforeach()

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/petits-calculs-config.cmake.in
  petits-calculs-config.cmake
  INSTALL_DESTINATION ${config_dir}
  PATH_VARS CMAKE_INSTALL_INCLUDEDIR PETITS_OBJECT_DIR)
write_basic_package_version_file(petits-calculs-config-version.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/petits-calculs-config.cmake
              ${PROJECT_BINARY_DIR}/petits-calculs-config-version.cmake
        DESTINATION ${config_dir} COMPONENT dev)

# Every delivered header compiles alone, without a warning, as C and as C++.
if(BUILD_TESTING)
  get_property(headers GLOBAL PROPERTY PETITS_HEADERS)
  list(TRANSFORM headers PREPEND -include)
  set(flags -Wall -Wextra -Wpedantic -Werror -fsyntax-only ${headers} /dev/null)
  add_test(NAME headers.c11 COMMAND ${CC_PROGRAM} -std=c11 -x c ${flags})
  foreach(standard c++17 c++20)
    add_test(NAME headers.${standard} COMMAND ${CMAKE_CXX_COMPILER} -std=${standard} -x c++ ${flags})
  endforeach()
endif()
