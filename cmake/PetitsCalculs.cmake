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
#   <name>.inputs  what it reads: an exercise file, the format exocheck reads
#                  for any exercise (exocheck/cases/exercise.h, and the page
#                  exocheck-exercice(5)): its typical input, which the
#                  command-line tests and the benchmark feed it, its shapes
#                  (the hostile sweep), its forms and boundary cases
#                  (exocheck's cases), its read-error message, and the
#                  lines of its --help (help, exit-status).
# The build embeds the file byte for byte, with the inputs of the examples
# of its page and of the README (petits_read_dialogues), in exocheck's
# table of the programs, which exocheck's reader reads at start.
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

# petits_c_literal(<var> <hex>)
# The bytes written in hexadecimal by od ("  41 0a") as the body of a C
# string literal: letters, digits and plain punctuation as they are, every
# other byte as a three-digit octal escape (which no digit after it can
# lengthen), so that no ; or bracket upsets a CMake list.
function(petits_c_literal var hex)
  string(REGEX MATCHALL "[0-9a-f][0-9a-f]" bytes "${hex}")
  set(literal "")
  foreach(byte IN LISTS bytes)
    math(EXPR code "0x${byte}")
    if(byte MATCHES "^(2[0135-9a-f]|3[0-9ac-f]|4[0-9a-f]|5[0-9a]|5[ef]|6[0-9a-f]|7[0-9a-e])$"
       AND NOT byte STREQUAL "3f")
      string(ASCII ${code} character)
      string(APPEND literal "${character}")
    else()
      math(EXPR high "${code} / 64")
      math(EXPR middle "${code} / 8 % 8")
      math(EXPR low "${code} % 8")
      string(APPEND literal "\\${high}${middle}${low}")
    endif()
  endforeach()
  set(${var} "${literal}" PARENT_SCOPE)
endfunction()

# petits_read_dialogues(<name> <var>)
# The inputs of the examples that show the program <name> at work, in order,
# each once, as C string literal bodies (a list, each after a "="): the commands ("$ ...") of
# the .EX/.EE blocks of its manual page, roff escapes undone, then those of
# the README, that feed it standard input through a pipe
# ("printf '23:59:59\n' | tickup", "echo -61 | build/clock/dialsplit") or
# run it with none ("greetjoin", "digittally </dev/null"); commands that give
# it an argument are not dialogues. The part before the pipe is run here
# with /bin/sh, as the page's examples are, so the bytes are exactly those
# the program was fed. Editing the page or the README configures again.
function(petits_read_dialogues name var)
  get_property(dir GLOBAL PROPERTY PETITS_PROGRAM_${name}_DIR)
  set(sources ${dir}/${name}.1)
  if(EXISTS ${PROJECT_SOURCE_DIR}/README.md)
    list(APPEND sources ${PROJECT_SOURCE_DIR}/README.md)
  endif()
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sources})
  # ; and brackets would split or join CMake list items: other bytes stand
  # for them until a command is run.
  string(ASCII 1 semicolon)
  string(ASCII 2 open)
  string(ASCII 3 close)
  set(found "")
  foreach(source IN LISTS sources)
    file(READ ${source} text)
    string(REPLACE ";" "${semicolon}" text "${text}")
    string(REPLACE "[" "${open}" text "${text}")
    string(REPLACE "]" "${close}" text "${text}")
    string(REGEX MATCHALL "[^\n]*\n" lines "${text}")
    set(in_example OFF)
    if(source MATCHES "README.md$")
      set(in_example ON)
    endif()
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "\n$" "" line "${line}")
      if(line MATCHES "^\\.EX")
        set(in_example ON)
      elseif(line MATCHES "^\\.EE")
        set(in_example OFF)
      endif()
      if(NOT in_example OR NOT line MATCHES "^\\$ ")
        continue()
      endif()
      string(SUBSTRING "${line}" 2 -1 command)
      if(source MATCHES "\\.1$")
        foreach(escape "\\fB" "\\fI" "\\fR" "\\fP" "\\&")
          string(REPLACE "${escape}" "" command "${command}")
        endforeach()
        string(REPLACE "\\(aq" "'" command "${command}")
        string(REPLACE "\\(ga" "`" command "${command}")
        string(REPLACE "\\(dq" "\"" command "${command}")
        string(REPLACE "\\(ha" "^" command "${command}")
        string(REPLACE "\\(ti" "~" command "${command}")
        string(REPLACE "\\-" "-" command "${command}")
        string(REPLACE "\\ " " " command "${command}")
        # Last, so that the backslash it gives starts no escape of its own.
        string(REPLACE "\\(rs" "\\" command "${command}")
        string(REPLACE "\\e" "\\" command "${command}")
      endif()
      set(program "([^ ]*/)?${name}")
      set(after "( *([${semicolon}|]|[0-9]?>).*)?$")
      if(command MATCHES "^(.+) \\| ${program}${after}")
        set(producer "${CMAKE_MATCH_1}")
      elseif(command MATCHES "^${program}( *< */dev/null)?${after}")
        set(producer ":")
      else()
        continue()
      endif()
      string(REPLACE "${semicolon}" "\\;" producer "${producer}")
      string(REPLACE "${open}" "[" producer "${producer}")
      string(REPLACE "${close}" "]" producer "${producer}")
      execute_process(COMMAND /bin/sh -c "${producer} | od -An -v -tx1"
                      OUTPUT_VARIABLE hex RESULT_VARIABLE status)
      if(NOT status EQUAL 0)
        message(FATAL_ERROR "${source}: the example \"${command}\" gives no input: ${status}")
      endif()
      petits_c_literal(literal "${hex}")
      list(FIND found "=${literal}" seen)
      if(seen EQUAL -1)
        list(APPEND found "=${literal}")
      endif()
    endforeach()
  endforeach()
  set(${var} "${found}" PARENT_SCOPE)
endfunction()

# petits_string_array(<var> <name> <values>...)
# Appends to <var> the C++ array <name> of the C string bodies <values>,
# each after a "=", or an empty span when there is none.
function(petits_string_array var name)
  set(body "")
  foreach(value IN LISTS ARGN)
    string(SUBSTRING "${value}" 1 -1 value)
    string(APPEND body "\n    \"${value}\"sv,")
  endforeach()
  if(ARGC EQUAL 2)
    string(APPEND ${var} "constexpr std::span<const std::string_view> ${name}{};\n")
  else()
    string(APPEND ${var} "constexpr std::string_view ${name}[] = {${body}\n};\n")
  endif()
  set(${var} "${${var}}" PARENT_SCOPE)
endfunction()

# petits_write_program_table(<cpp> <list>)
# Writes into <cpp> the table of exocheck/cases/program_table.h: every
# declared program's .inputs file, byte for byte, and the inputs of the
# examples of its page and of the README; and into <list> one line per
# program, "<name>\t<folder>\t<typical input>" (the value of its typical
# line, as written), for bench/run.
function(petits_write_program_table cpp list)
  get_property(programs GLOBAL PROPERTY PETITS_PROGRAMS)
  set(arrays "")
  set(rows "")
  set(listed "")
  foreach(name IN LISTS programs)
    get_property(dir GLOBAL PROPERTY PETITS_PROGRAM_${name}_DIR)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${dir})
    set(inputs ${dir}/${name}.inputs)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${inputs})
    file(READ ${inputs} hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" text "${hex}")
    string(APPEND arrays "constexpr char ${name}_inputs[] = \"${text}\";\n")
    petits_read_dialogues(${name} dialogues)
    petits_string_array(arrays ${name}_dialogues ${dialogues})
    string(APPEND rows "    {\"${name}\"sv, \"${folder}\"sv, \"${folder}/${name}.inputs\"sv,\n"
                       "     {${name}_inputs, sizeof ${name}_inputs - 1}, ${name}_dialogues},\n")
    file(STRINGS ${inputs} typical REGEX "^typical( |$)" LIMIT_COUNT 1)
    string(REGEX REPLACE "^typical *" "" typical "${typical}")
    string(APPEND listed "${name}\t${folder}\t${typical}\n")
  endforeach()
  petits_write_if_changed(${cpp}
"// Generated by CMake from add_program, each program's .inputs file, its
// manual page and the README.
#include \"cases/program_table.h\"

using namespace std::string_view_literals;

namespace exocheck {

namespace {

${arrays}
const EmbeddedProgram TABLE[] = {
${rows}};

}  // namespace

std::span<const EmbeddedProgram> embedded_programs() { return TABLE; }

}  // namespace exocheck
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

# add_gtest(<name> SOURCES <src>... [LINK <target>...] [TIMEOUT <seconds>])
# A GoogleTest program registered with CTest, one CTest test per test case,
# each given 60 seconds unless TIMEOUT says otherwise.
function(add_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LINK" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  add_executable(${name} ${T_SOURCES})
  petits_test_code(${name})
  target_link_libraries(${name} PRIVATE common test_support GTest::gtest_main ${T_LINK})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT ${T_TIMEOUT})
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
