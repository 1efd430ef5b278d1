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
#                  as \073, a leading space as \040, a bracket without its
#                  pair as \133 or \135):
#                    typical     an input it succeeds on, which the
#                                command-line tests and the benchmark feed it;
#                    shape       a shape of its input, which the hostile sweep
#                                fills (the slots: exocheck/cases/grammar.h); several;
#                    form        a well-formed shape of its input, its slots
#                                giving typical values in range, which exocheck
#                                fills for most of its generated cases; several;
#                    boundary    one input at the edge of what it reads (a
#                                field at its limit and one past it, a failed
#                                read, end of input), which exocheck runs after
#                                the dialogues; at least one;
#                    read-error  stdout|stderr <message>: its own message for
#                                input it cannot read, if it has one;
#                    help        a line of what its --help says it does
#                                (the command-line tests check the whole
#                                text); several;
#                    exit-status a line of what its --help says of its exit
#                                statuses; several.
# The inputs of the examples of its page and of the README are read at
# configure time too (petits_read_dialogues).
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
# <prefix>_SHAPES, <prefix>_FORMS and <prefix>_BOUNDARY (lists, each value
# after a "=", so that an empty one stays an item), <prefix>_READ_ERROR and
# <prefix>_READ_ERROR_STREAM, <prefix>_HELP and <prefix>_EXIT_STATUS (the
# lines each ended by \n), the values as written in the file (C string
# syntax).
function(petits_read_inputs name prefix)
  get_property(dir GLOBAL PROPERTY PETITS_PROGRAM_${name}_DIR)
  set(file ${dir}/${name}.inputs)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  file(READ ${file} text)
  if(text MATCHES ";")
    message(FATAL_ERROR "${file}: write ; as \\073")
  endif()
  string(REGEX MATCHALL "[^\n]*\n" lines "${text}")
  set(typical "")
  set(have_typical OFF)
  set(shapes "")
  set(forms "")
  set(boundary "")
  set(read_error "")
  set(stream "")
  set(help "")
  set(exit_status "")
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
      list(APPEND shapes "=${value}")
    elseif(field STREQUAL "form")
      list(APPEND forms "=${value}")
    elseif(field STREQUAL "boundary")
      list(APPEND boundary "=${value}")
    elseif(field STREQUAL "help")
      string(APPEND help "${value}\\n")
    elseif(field STREQUAL "exit-status")
      string(APPEND exit_status "${value}\\n")
    elseif(field STREQUAL "read-error" AND value MATCHES "^(stdout|stderr) (.*)$")
      set(stream ${CMAKE_MATCH_1})
      set(read_error "${CMAKE_MATCH_2}")
    else()
      message(FATAL_ERROR "${file}: unknown field or value: ${line}")
    endif()
  endforeach()
  if(NOT have_typical OR NOT shapes OR NOT boundary OR help STREQUAL "" OR exit_status STREQUAL "")
    message(FATAL_ERROR "${file}: a typical input, at least one shape, one boundary case, "
                        "one line of help and one of exit-status are needed")
  endif()
  set(${prefix}_TYPICAL "${typical}" PARENT_SCOPE)
  set(${prefix}_SHAPES "${shapes}" PARENT_SCOPE)
  set(${prefix}_FORMS "${forms}" PARENT_SCOPE)
  set(${prefix}_BOUNDARY "${boundary}" PARENT_SCOPE)
  set(${prefix}_READ_ERROR "${read_error}" PARENT_SCOPE)
  set(${prefix}_READ_ERROR_STREAM "${stream}" PARENT_SCOPE)
  set(${prefix}_HELP "${help}" PARENT_SCOPE)
  set(${prefix}_EXIT_STATUS "${exit_status}" PARENT_SCOPE)
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
# Writes, from every declared program, its .inputs file, its page and the
# README, the C++ table of exocheck/cases/programs.h into <cpp>, and into <list>
# one line per program, "<name>\t<folder>\t<typical input>", for bench/run.
function(petits_write_program_table cpp list)
  get_property(programs GLOBAL PROPERTY PETITS_PROGRAMS)
  set(arrays "")
  set(rows "")
  set(listed "")
  foreach(name IN LISTS programs)
    petits_read_inputs(${name} in)
    petits_read_dialogues(${name} dialogues)
    get_property(dir GLOBAL PROPERTY PETITS_PROGRAM_${name}_DIR)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${dir})
    petits_string_array(arrays ${name}_shapes ${in_SHAPES})
    petits_string_array(arrays ${name}_forms ${in_FORMS})
    petits_string_array(arrays ${name}_boundary ${in_BOUNDARY})
    petits_string_array(arrays ${name}_dialogues ${dialogues})
    set(on_stdout false)
    if(in_READ_ERROR_STREAM STREQUAL "stdout")
      set(on_stdout true)
    endif()
    string(APPEND rows "    {\"${name}\"sv, \"${folder}\"sv, \"${in_TYPICAL}\"sv, ${name}_shapes,\n"
                       "     \"${in_READ_ERROR}\"sv, ${on_stdout}, ${name}_forms, ${name}_boundary,\n"
                       "     ${name}_dialogues},\n")
    string(APPEND listed "${name}\t${folder}\t${in_TYPICAL}\n")
  endforeach()
  petits_write_if_changed(${cpp}
"// Generated by CMake from add_program and each program's .inputs file,
// manual page and the README.
#include \"cases/programs.h\"

using namespace std::string_view_literals;

namespace exocheck {

namespace {

${arrays}
const ProgramData TABLE[] = {
${rows}};

}  // namespace

std::span<const ProgramData> all_programs() { return TABLE; }

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
