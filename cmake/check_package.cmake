# The package test, one STEP per CTest test (cmake/Packaging.cmake declares
# them), all working in WORK, each step in WORK/<step>:
#   build          builds both Debian packages of the build in BUILD_DIR with
#                  cpack and extracts them into WORK/root (the fixture the
#                  other steps need);
#   lintian        lintian --pedantic --display-info reports nothing at all;
#   contents       each package holds exactly its expected files (CONTENTS,
#                  one "<package> <path>" per line, <multiarch> standing for
#                  MULTIARCH) and its expected control fields;
#   examples       the programs and the examples of every page, English and
#                  French, the linking examples of section 3 included, work
#                  from the extracted packages;
#   consumer.cmake a grade report built by an outside CMake project from the
#                  delivered objects behaves as the shipped program;
#   consumer.pkgconfig  so does a barmax built by the C compiler with the
#                  flags pkg-config prints, every path in them clean;
#   reproducible   a second build of the same sources, in another directory
#                  (BUILD_DIR/reproducible-build, kept), under umask 002 and
#                  with another git identity, gives the same bytes;
#   clean          removes WORK.
set(root ${WORK}/root)
set(usr ${root}/usr)
set(here ${WORK}/${STEP})
# A cross build's packages: built with its TOOLCHAIN file, their programs run
# by the emulator the tests of that build use.
separate_arguments(emulator UNIX_COMMAND "$ENV{PETITS_EMULATOR}")
set(cross "")
if(TOOLCHAIN)
  set(cross -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
endif()

function(run)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "${command} failed (status ${rc}):\n${out}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

# Sets <var> to the two packages found in <dir>, programs first.
function(find_packages dir var)
  file(GLOB found RELATIVE ${dir} ${dir}/*.deb)
  if(NOT found MATCHES "^petits-calculs-dev_${VERSION}_[a-z0-9]+\\.deb;petits-calculs_${VERSION}_[a-z0-9]+\\.deb$")
    message(FATAL_ERROR "cpack built [${found}], not petits-calculs and petits-calculs-dev ${VERSION}")
  endif()
  list(REVERSE found)
  list(TRANSFORM found PREPEND ${dir}/)
  set(${var} ${found} PARENT_SCOPE)
endfunction()

function(step_build)
  file(REMOVE_RECURSE ${WORK})
  run(${CPACK} -G DEB -B ${WORK}/packages --config ${BUILD_DIR}/CPackConfig.cmake)
  find_packages(${WORK}/packages debs)
  foreach(deb IN LISTS debs)
    run(${DPKG_DEB} -x ${deb} ${root})
  endforeach()
endfunction()

function(step_lintian)
  find_packages(${WORK}/packages debs)
  # lintian's own notices ("running with root privileges") go to standard
  # error; every tag goes to standard output, which must stay empty.
  execute_process(COMMAND ${LINTIAN} --pedantic --display-info ${debs}
                  OUTPUT_VARIABLE tags RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT tags STREQUAL "")
    message(FATAL_ERROR "lintian (status ${rc}):\n${tags}")
  endif()
endfunction()

function(step_contents)
  find_packages(${WORK}/packages debs)
  file(STRINGS ${CONTENTS} expected)
  list(TRANSFORM expected REPLACE "<multiarch>" "${MULTIARCH}")
  set(listed "")
  set(fields "")
  foreach(deb IN LISTS debs)
    run(${DPKG_DEB} --field ${deb} Package Section Depends Recommends)
    string(APPEND fields "${out}")
    string(REGEX MATCH "^Package: ([^\n]+)" package "${out}")
    set(package ${CMAKE_MATCH_1})
    run(${DPKG_DEB} -c ${deb})
    string(REGEX MATCHALL "\\./[^\n]*[^/\n]\n" files "${out}")
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
  if(NOT fields MATCHES "^Package: petits-calculs\nSection: utils\nDepends: libc6 [^\n]*\nRecommends: bubblewrap, valgrind\n"
     OR NOT fields MATCHES "\nPackage: petits-calculs-dev\nSection: libdevel\nDepends: libc6-dev\n$")
    message(FATAL_ERROR "unexpected control fields:\n${fields}")
  endif()
endfunction()

function(step_examples)
  file(GLOB pages ${usr}/share/man/man[1357]/*.gz ${usr}/share/man/fr/man[1357]/*.gz)
  set(tools "")
  if(TOOLCHAIN)
    set(tools --cc ${CC} --toolchain ${TOOLCHAIN})
    # Each of exocheck's examples runs two thousand programs: minutes under
    # an emulator. The native build's package test runs them.
    list(FILTER pages EXCLUDE REGEX "/exocheck(-exercice)?\\.[15]\\.gz$")
  endif()
  run(${PYTHON} ${CHECK_EXAMPLES} --root ${root} ${tools} ${pages})
  message(STATUS "${out}")
endfunction()

# Programs made from the delivered objects behave exactly as the shipped ones:
# the same output, diagnostics and end, on each of the INPUTS, with each of
# the ARGUMENTS, and with standard output on /dev/full for the input FULL.
function(compare_run built shipped argument input output)
  file(WRITE ${here}/input "${input}")
  foreach(program built shipped)
    execute_process(COMMAND ${emulator} ${${program}} ${argument} INPUT_FILE ${here}/input
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
    compare_run(${built} ${shipped} "" "${input}\n" ${here}/out)
  endforeach()
  foreach(argument IN LISTS RUNS_ARGUMENTS)
    compare_run(${built} ${shipped} ${argument} "" ${here}/out)
  endforeach()
  compare_run(${built} ${shipped} "" "${RUNS_FULL}\n" /dev/full)
endfunction()

function(step_consumer_cmake)
  # Cross, the packages are found as in the target's system root.
  if(TOOLCHAIN)
    set(prefix -DCMAKE_FIND_ROOT_PATH=${root} -DCMAKE_PREFIX_PATH=/usr)
  else()
    set(prefix -DCMAKE_PREFIX_PATH=${usr})
  endif()
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/testing/consumer -B ${here}/build -G ${GENERATOR} ${cross} ${prefix})
  run(${CMAKE_COMMAND} --build ${here}/build)
  # Asking for an incompatible version fails with CMake's own message.
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/testing/consumer -B ${here}/build-1.0
                          -G ${GENERATOR} ${cross} ${prefix} -DWANTED=1.0
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(rc EQUAL 0 OR NOT err MATCHES "compatible with requested version \"1\.0\"")
    message(FATAL_ERROR "find_package(petits-calculs 1.0) (status ${rc}):\n${err}")
  endif()
  expect_same_runs(${here}/build/gradebook ${usr}/bin/gradebook
    INPUTS "12 8 15 x 2 1 1 x -1" "12 8 x 2 1 x -2" ARGUMENTS --version -h
    FULL "12 8 x 2 1 x -1")
endfunction()

function(step_consumer_pkgconfig)
  # The packages install under /usr: pkg-config finds them under root as it
  # would for a cross-compiler's system root.
  file(GLOB pc_dirs ${usr}/lib/*/pkgconfig ${usr}/lib/pkgconfig)
  run(env PKG_CONFIG_PATH=${pc_dirs} PKG_CONFIG_SYSROOT_DIR=${root}
      ${PKG_CONFIG} --cflags --libs petits-calculs-barmax_main)
  separate_arguments(flags UNIX_COMMAND "${out}")
  foreach(flag IN LISTS flags)
    string(REGEX REPLACE "^-I" "" path "${flag}")
    cmake_path(NORMAL_PATH path OUTPUT_VARIABLE clean)
    if(NOT IS_ABSOLUTE "${path}" OR NOT path STREQUAL clean OR NOT EXISTS "${path}")
      message(FATAL_ERROR "pkg-config printed \"${flag}\", not the clean path of a file "
                          "it installed:\n${out}")
    endif()
  endforeach()
  run(${CC} ${flags} -o ${here}/barmax)
  expect_same_runs(${here}/barmax ${usr}/bin/barmax
    INPUTS "3|17|-4" "x|5" ARGUMENTS --help extra FULL "1|2")
endfunction()

# The same sources built elsewhere, by another builder with another umask.
# That build directory is kept from run to run, as the first one is: a run
# compiles only what changed since the last.
function(step_reproducible)
  find_packages(${WORK}/packages debs)
  set(other ${BUILD_DIR}/reproducible-build)
  file(WRITE ${here}/gitconfig "[user]\n\tname = Another Builder\n\temail = another@builder.example\n")
  set(umask_002 /bin/sh -c "umask 002 && exec \"$0\" \"$@\"")
  run(${umask_002} env GIT_CONFIG_GLOBAL=${here}/gitconfig
      ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${other} -G ${GENERATOR} -DBUILD_TESTING=OFF ${cross}
      -DCMAKE_BUILD_TYPE=${BUILD_TYPE} "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
      "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
  run(${umask_002} ${CMAKE_COMMAND} --build ${other} --parallel 2)
  file(MAKE_DIRECTORY ${here}/packages)
  run(/bin/sh -c "umask 002 && cd \"$0\" && exec \"$@\"" ${here}/packages
      env GIT_CONFIG_GLOBAL=${here}/gitconfig ${CPACK} -G DEB -B ${here}/packages
      --config ${other}/CPackConfig.cmake)
  foreach(deb IN LISTS debs)
    get_filename_component(name ${deb} NAME)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${deb} ${here}/packages/${name}
                    RESULT_VARIABLE differ)
    if(differ)
      message(FATAL_ERROR "${name} differs when built in another directory under umask 002")
    endif()
  endforeach()
endfunction()

function(step_clean)
  file(REMOVE_RECURSE ${WORK})
endfunction()

string(MAKE_C_IDENTIFIER "step_${STEP}" step)
if(NOT COMMAND ${step})
  message(FATAL_ERROR "check_package.cmake: no step \"${STEP}\"")
endif()
if(NOT STEP MATCHES "^(build|clean)$")
  file(REMOVE_RECURSE ${here})
  file(MAKE_DIRECTORY ${here})
endif()
cmake_language(CALL ${step})
