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

# add_program(<name> [TOOL] SOURCES <src>... [LINK <target>...])
# The one place a program is declared. Its folder holds, beside its sources,
#   <name>.1       its manual page (the French one is made from man/po);
#   <name>.inputs  what it reads, one field a line, "<field> <value>", the
#                  value written as a C string without its quotes (a ";"
#                  as \x3b):
#                    typical     an input it succeeds on, which the
#                                command-line tests and the benchmark feed it;
#                    shape       a shape of its input, which the hostile sweep
#                                fills (the slots: exocheck/grammar.h); several;
#                    read-error  stdout|stderr <message>: its own message for
#                                input it cannot read, if it has one.
# Everything that lists the programs (the manual pages, the tests, the sweep,
# exocheck, bench/run) reads them from here. Installs the program into bin/
# (package petits-calculs), and registers a test that it does not load
# libstdc++ (C stdio only).
# A TOOL is a program of the suite that is not an exercise, such as
# exocheck: it has no .inputs file, may use the C++ library, and is listed
# apart (PETITS_TOOLS, not PETITS_PROGRAMS: not in the table of exercises);
# its page is built, checked, translated and installed like the others.
function(add_program name)
  cmake_parse_arguments(P "TOOL" "" "SOURCES;LINK" ${ARGN})
  set(files ${name}.1)
  if(NOT P_TOOL)
    list(APPEND files ${name}.inputs)
  endif()
  foreach(file ${files})
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${file})
      message(FATAL_ERROR "add_program(${name}): ${file} is missing beside its sources")
    endif()
  endforeach()
  add_executable(${name} ${P_SOURCES})
  target_link_libraries(${name} PRIVATE common ${P_LINK})
  install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
  set_property(GLOBAL PROPERTY PETITS_PROGRAM_${name}_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  if(P_TOOL)
    set_property(GLOBAL APPEND PROPERTY PETITS_TOOLS ${name})
    return()
  endif()
  set_property(GLOBAL APPEND PROPERTY PETITS_PROGRAMS ${name})
  if(BUILD_TESTING AND NOT PETITS_SANITIZE)
    add_test(NAME ${name}.no_libstdcxx
             COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${name}>
                     -P ${PROJECT_SOURCE_DIR}/cmake/check_no_libstdcxx.cmake)
  endif()
endfunction()

# petits_read_inputs(<name> <prefix>)
# Reads the .inputs file of the program <name> into <prefix>_TYPICAL,
# <prefix>_SHAPES (a list), <prefix>_READ_ERROR and <prefix>_READ_ERROR_STREAM,
# the values as written in the file (C string syntax).
function(petits_read_inputs name prefix)
  get_property(dir GLOBAL PROPERTY PETITS_PROGRAM_${name}_DIR)
  set(file ${dir}/${name}.inputs)
  file(READ ${file} text)
  if(text MATCHES ";")
    message(FATAL_ERROR "${file}: write ; as \\x3b")
  endif()
  string(REGEX MATCHALL "[^\n]*\n" lines "${text}")
  set(typical "")
  set(have_typical OFF)
  set(shapes "")
  set(read_error "")
  set(stream "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "\n$" "" line "${line}")
    if(line MATCHES "^#" OR line STREQUAL "")
      continue()
    endif()
    if(NOT line MATCHES "^([a-z-]+)( +(.*))?$")
      message(FATAL_ERROR "${file}: not \"<field> <value>\": ${line}")
    endif()
    set(field ${CMAKE_MATCH_1})
    set(value "${CMAKE_MATCH_3}")
    if(value MATCHES "(^|[^\\])\"")
      message(FATAL_ERROR "${file}: write \" as \\\" in: ${line}")
    endif()
    if(field STREQUAL "typical")
      set(typical "${value}")
      set(have_typical ON)
    elseif(field STREQUAL "shape")
      list(APPEND shapes "${value}")
    elseif(field STREQUAL "read-error" AND value MATCHES "^(stdout|stderr) (.*)$")
      set(stream ${CMAKE_MATCH_1})
      set(read_error "${CMAKE_MATCH_2}")
    else()
      message(FATAL_ERROR "${file}: unknown field or value: ${line}")
    endif()
  endforeach()
  if(NOT have_typical OR NOT shapes)
    message(FATAL_ERROR "${file}: a typical input and at least one shape are needed")
  endif()
  set(${prefix}_TYPICAL "${typical}" PARENT_SCOPE)
  set(${prefix}_SHAPES "${shapes}" PARENT_SCOPE)
  set(${prefix}_READ_ERROR "${read_error}" PARENT_SCOPE)
  set(${prefix}_READ_ERROR_STREAM "${stream}" PARENT_SCOPE)
endfunction()

# petits_write_program_table(<cpp> <list>)
# Writes, from every declared program and its .inputs file, the C++ table of
# exocheck/programs.h into <cpp>, and into <list> one line per program,
# "<name>\t<folder>\t<typical input>", for bench/run.
function(petits_write_program_table cpp list)
  get_property(programs GLOBAL PROPERTY PETITS_PROGRAMS)
  set(arrays "")
  set(rows "")
  set(listed "")
  foreach(name IN LISTS programs)
    petits_read_inputs(${name} in)
    get_property(dir GLOBAL PROPERTY PETITS_PROGRAM_${name}_DIR)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${dir})
    set(shapes "")
    foreach(shape IN LISTS in_SHAPES)
      string(APPEND shapes "\n    \"${shape}\"sv,")
    endforeach()
    string(APPEND arrays "constexpr std::string_view ${name}_shapes[] = {${shapes}\n};\n")
    set(on_stdout false)
    if(in_READ_ERROR_STREAM STREQUAL "stdout")
      set(on_stdout true)
    endif()
    string(APPEND rows "    {\"${name}\"sv, \"${folder}\"sv, \"${in_TYPICAL}\"sv, ${name}_shapes,\n"
                       "     \"${in_READ_ERROR}\"sv, ${on_stdout}},\n")
    string(APPEND listed "${name}\t${folder}\t${in_TYPICAL}\n")
  endforeach()
  petits_write_if_changed(${cpp}
"// Generated by CMake from add_program and each program's .inputs file.
#include \"programs.h\"

using namespace std::string_view_literals;

namespace {

${arrays}
const ProgramData TABLE[] = {
${rows}};

}  // namespace

std::span<const ProgramData> all_programs() { return TABLE; }
")
  petits_write_if_changed(${list} "${listed}")
endfunction()

# Writes <content> into <file> unless it already holds it, so that what is
# built from it is not rebuilt at every configure.
function(petits_write_if_changed file content)
  file(WRITE ${file}.new "${content}")
  configure_file(${file}.new ${file} COPYONLY)
  file(REMOVE ${file}.new)
endfunction()

# install_object_module(<target> <subsystem> <object-name> DESCRIPTION <text>
#                       [HEADERS <h>...] [REQUIRES <module>...])
# Installs the single object file of an OBJECT library as
# <prefix>/lib/petits-calculs/<subsystem>/<object-name>.o, and its headers under
# include/petits-calculs (package petits-calculs-dev), each header with its
# manual page <header>.3 beside it (section 3), so a programmer can
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
    foreach(header IN LISTS M_HEADERS)
      string(REGEX REPLACE "\\.h$" ".3" page ${header})
      if(NOT EXISTS ${page})
        message(FATAL_ERROR "install_object_module(${target}): ${page} is missing beside ${header}")
      endif()
      set_property(GLOBAL APPEND PROPERTY PETITS_MODULE_PAGES ${page})
    endforeach()
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
