# How programs of one's own find the delivered object modules (package
# petits-calculs-dev): find_package(petits-calculs) gives the imported
# targets petits-calculs::<module>, and pkg-config the names
# petits-calculs-<module>. The CMake files find the prefix from where they
# are installed, so an installation can be moved; pkg-config, which never
# simplifies a path, is given the prefix itself, so that it prints clean
# paths (for a moved installation: --define-variable=prefix=DIR). They go
# under the multiarch library directory where there is one, where
# pkg-config and CMake look (also for cross-compilation).
include(CMakePackageConfigHelpers)
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(arch_libdir lib/${CMAKE_LIBRARY_ARCHITECTURE})
else()
  set(arch_libdir lib)
endif()
set(config_dir ${arch_libdir}/cmake/petits-calculs)
set(pc_dir ${arch_libdir}/pkgconfig)

get_property(modules GLOBAL PROPERTY PETITS_MODULES)
set(PETITS_CMAKE_MODULES "")
set(pc_files "")
# Kept for the installation, which alone knows the prefix: cpack installs
# under /usr, cmake --install wherever --prefix says.
set(PC_PREFIX "@PC_PREFIX@")
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
                 pkgconfig/petits-calculs-${PC_MODULE}.pc.in @ONLY)
  list(APPEND pc_files petits-calculs-${PC_MODULE}.pc)
endforeach()
install(CODE "
  cmake_path(ABSOLUTE_PATH CMAKE_INSTALL_PREFIX NORMALIZE OUTPUT_VARIABLE PC_PREFIX)
  string(REGEX REPLACE \"/$\" \"\" PC_PREFIX \"\${PC_PREFIX}\")
  foreach(pc IN ITEMS ${pc_files})
    configure_file(\"${PROJECT_BINARY_DIR}/pkgconfig/\${pc}.in\"
                   \"${PROJECT_BINARY_DIR}/pkgconfig/installed/\${pc}\" @ONLY)
  endforeach()" COMPONENT dev)
list(TRANSFORM pc_files PREPEND ${PROJECT_BINARY_DIR}/pkgconfig/installed/)
install(FILES ${pc_files} DESTINATION ${pc_dir} COMPONENT dev)

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
