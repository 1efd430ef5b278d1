# The package test. From the build in BUILD_DIR it builds both Debian packages
# with cpack, then checks what a user gets:
#   - lintian --pedantic --display-info reports nothing at all on either;
#   - each package holds exactly its expected files (CONTENTS, one
#     "<package> <path>" per line, <multiarch> standing for MULTIARCH);
#   - the programs and the examples of every page, English and French, the
#     linking examples of section 3 included, work from the extracted
#     packages;
#   - a grade report built by an outside CMake project from the delivered
#     objects, and a barmax built by the C compiler with pkg-config, behave
#     as the shipped programs;
#   - a second build of the same sources, in another directory, under umask
#     002 and with another git identity, gives the same bytes.
set(work ${BUILD_DIR}/package-test)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})

function(run)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "${command} failed (status ${rc}):\n${out}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

# Builds the packages of the build in <build> into <dir>; sets <var> to the
# two package files, programs first.
function(build_packages build dir var)
  run(${CPACK} -G DEB -B ${dir} --config ${build}/CPackConfig.cmake)
  file(GLOB found RELATIVE ${dir} ${dir}/*.deb)
  if(NOT found MATCHES "^petits-calculs-dev_${VERSION}_[a-z0-9]+\\.deb;petits-calculs_${VERSION}_[a-z0-9]+\\.deb$")
    message(FATAL_ERROR "cpack built [${found}], not petits-calculs and petits-calculs-dev ${VERSION}")
  endif()
  list(REVERSE found)
  list(TRANSFORM found PREPEND ${dir}/)
  set(${var} ${found} PARENT_SCOPE)
endfunction()

build_packages(${BUILD_DIR} ${work}/first debs)

# lintian's own notices ("running with root privileges") go to standard
# error; every tag goes to standard output, which must stay empty.
execute_process(COMMAND ${LINTIAN} --pedantic --display-info ${debs}
                OUTPUT_VARIABLE tags RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT tags STREQUAL "")
  message(FATAL_ERROR "lintian (status ${rc}):\n${tags}")
endif()

file(STRINGS ${CONTENTS} expected)
list(TRANSFORM expected REPLACE "<multiarch>" "${MULTIARCH}")
set(listed "")
set(fields "")
foreach(deb IN LISTS debs)
  run(${DPKG_DEB} --field ${deb} Package Section Depends)
  string(APPEND fields "${out}")
  string(REGEX MATCH "^Package: ([^\n]+)" package "${out}")
  set(package ${CMAKE_MATCH_1})
  execute_process(COMMAND ${DPKG_DEB} -c ${deb} OUTPUT_VARIABLE entries)
  string(REGEX MATCHALL "\\./[^\n]*[^/\n]\n" files "${entries}")
  foreach(file IN LISTS files)
    string(REGEX REPLACE "^\\./(.*)\n$" "${package} \\1" line "${file}")
    list(APPEND listed "${line}")
  endforeach()
endforeach()
list(SORT listed)
list(SORT expected)
if(NOT listed STREQUAL expected)
  set(missing ${expected})
  list(REMOVE_ITEM missing ${listed})
  set(extra ${listed})
  list(REMOVE_ITEM extra ${expected})
  string(REPLACE ";" "\n  " missing "${missing}")
  string(REPLACE ";" "\n  " extra "${extra}")
  message(FATAL_ERROR "package contents differ\nmissing:\n  ${missing}\nunexpected:\n  ${extra}")
endif()

if(NOT fields MATCHES "^Package: petits-calculs\nSection: utils\nDepends: libc6 [^\n]*\n"
   OR NOT fields MATCHES "\nPackage: petits-calculs-dev\nSection: libdevel\nDepends: libc6-dev\n$")
  message(FATAL_ERROR "unexpected control fields:\n${fields}")
endif()

set(root ${work}/root)
foreach(deb IN LISTS debs)
  run(${DPKG_DEB} -x ${deb} ${root})
endforeach()
file(GLOB pages ${root}/usr/share/man/man[137]/*.gz ${root}/usr/share/man/fr/man[137]/*.gz)
run(${PYTHON} ${CHECK_EXAMPLES} --root ${root} ${pages})
message(STATUS "${out}")

# Programs made from the delivered objects behave exactly as the shipped ones:
# the same output, diagnostics and end, on each of the INPUTS, with each of
# the ARGUMENTS, and with standard output on /dev/full for the input FULL.
function(compare_run built shipped argument input output)
  file(WRITE ${work}/input "${input}")
  foreach(program built shipped)
    execute_process(COMMAND ${${program}} ${argument} INPUT_FILE ${work}/input
                    OUTPUT_FILE ${output} ERROR_VARIABLE err RESULT_VARIABLE rc)
    set(${program} "${rc}\n${err}")
    if(NOT output STREQUAL "/dev/full")
      file(READ ${output} out)
      string(APPEND ${program} "${out}")
    endif()
  endforeach()
  if(NOT built STREQUAL shipped)
    message(FATAL_ERROR "made from the objects, on \"${input}\" ${argument} > ${output}:\n"
                        "${built}\nthe shipped program:\n${shipped}")
  endif()
endfunction()

function(expect_same_runs built shipped)
  cmake_parse_arguments(RUNS "" "FULL" "INPUTS;ARGUMENTS" ${ARGN})
  foreach(input IN LISTS RUNS_INPUTS)
    compare_run(${built} ${shipped} "" "${input}\n" ${work}/out)
  endforeach()
  foreach(argument IN LISTS RUNS_ARGUMENTS)
    compare_run(${built} ${shipped} ${argument} "" ${work}/out)
  endforeach()
  compare_run(${built} ${shipped} "" "${RUNS_FULL}\n" /dev/full)
endfunction()

set(usr ${root}/usr)
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/testing/consumer -B ${work}/consumer -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${usr})
run(${CMAKE_COMMAND} --build ${work}/consumer)
# Asking for an incompatible version fails with CMake's own message.
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/testing/consumer -B ${work}/consumer-1.0
                        -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${usr} -DWANTED=1.0
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(rc EQUAL 0 OR NOT err MATCHES "compatible with requested version \"1\.0\"")
  message(FATAL_ERROR "find_package(petits-calculs 1.0) (status ${rc}):\n${err}")
endif()
expect_same_runs(${work}/consumer/gradebook ${usr}/bin/gradebook
  INPUTS "12 8 15 x 2 1 1 x -1" "12 8 x 2 1 x -2" ARGUMENTS --version -h
  FULL "12 8 x 2 1 x -1")
file(GLOB pc_dirs ${usr}/lib/*/pkgconfig ${usr}/lib/pkgconfig)
run(env PKG_CONFIG_PATH=${pc_dirs} ${PKG_CONFIG} --cflags --libs petits-calculs-barmax_main)
separate_arguments(flags UNIX_COMMAND "${out}")
run(${CC} ${flags} -o ${work}/barmax)
expect_same_runs(${work}/barmax ${usr}/bin/barmax
  INPUTS "3|17|-4" "x|5" ARGUMENTS --help extra FULL "1|2")

# The same sources built elsewhere, by another builder with another umask.
set(other ${work}/other-build)
file(WRITE ${work}/gitconfig "[user]\n\tname = Another Builder\n\temail = another@builder.example\n")
run(/bin/sh -c "umask 002 && exec \"$0\" \"$@\"" env GIT_CONFIG_GLOBAL=${work}/gitconfig
    ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${other} -G ${GENERATOR} -DBUILD_TESTING=OFF
    -DCMAKE_BUILD_TYPE=${BUILD_TYPE} "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
    "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
run(/bin/sh -c "umask 002 && exec \"$0\" \"$@\"" ${CMAKE_COMMAND} --build ${other})
file(MAKE_DIRECTORY ${work}/second)
run(/bin/sh -c "umask 002 && cd \"$0\" && exec \"$@\"" ${work}/second
    env GIT_CONFIG_GLOBAL=${work}/gitconfig ${CPACK} -G DEB -B ${work}/second
    --config ${other}/CPackConfig.cmake)
foreach(deb IN LISTS debs)
  get_filename_component(name ${deb} NAME)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${deb} ${work}/second/${name}
                  RESULT_VARIABLE differ)
  if(differ)
    message(FATAL_ERROR "${name} differs when built in another directory under umask 002")
  endif()
endforeach()
file(REMOVE_RECURSE ${work})
