# Builds the Debian package in BUILD_DIR with cpack, extracts it into a
# temporary root with dpkg-deb, and checks what a user gets from it: the
# control fields, the manual pages, the object modules with their headers,
# and a program that runs from there. With PYTHON, the examples of every
# page then run against the extracted tree.
set(work ${BUILD_DIR}/package-test)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})

execute_process(COMMAND ${CPACK} -G DEB -B ${work} --config ${BUILD_DIR}/CPackConfig.cmake
                WORKING_DIRECTORY ${BUILD_DIR}
                OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc)
file(GLOB debs ${work}/${PACKAGE_NAME}_*.deb)
list(LENGTH debs count)
if(NOT rc EQUAL 0 OR NOT count EQUAL 1)
  message(FATAL_ERROR "cpack -G DEB failed (status ${rc}, ${count} packages):\n${out}")
endif()
message(STATUS "built ${debs}")

execute_process(COMMAND ${DPKG_DEB} --field ${debs} Package Depends Maintainer
                OUTPUT_VARIABLE fields RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT fields MATCHES "Package: ${PACKAGE_NAME}\n"
   OR NOT fields MATCHES "Depends: [^\n]*libc6" OR NOT fields MATCHES "Maintainer: [^\n]+<")
  message(FATAL_ERROR "unexpected control fields:\n${fields}")
endif()

set(root ${work}/root)
execute_process(COMMAND ${DPKG_DEB} -x ${debs} ${root} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -x failed")
endif()

set(usr ${root}/usr)
foreach(file
    bin/gradebook
    ${MANDIR}/man1/gradebook.1.gz
    ${MANDIR}/man3/gradecalc.3.gz
    ${MANDIR}/man3/realstream.3.gz
    ${MANDIR}/man3/clockback.3.gz
    ${MANDIR}/man3/clockgrow.3.gz
    ${LIBDIR}/petits-calculs/gradebook/gradecalc.o
    ${LIBDIR}/petits-calculs/gradebook/realstream.o
    ${LIBDIR}/petits-calculs/gradebook/main.o
    ${INCLUDEDIR}/petits-calculs/gradecalc.h
    ${INCLUDEDIR}/petits-calculs/realstream.h)
  if(NOT EXISTS ${usr}/${file})
    message(FATAL_ERROR "the package lacks /usr/${file}")
  endif()
endforeach()
# Every program in the package has its page.
file(GLOB programs RELATIVE ${usr}/bin ${usr}/bin/*)
foreach(program IN LISTS programs)
  if(NOT EXISTS ${usr}/${MANDIR}/man1/${program}.1.gz)
    message(FATAL_ERROR "the package has /usr/bin/${program} but not its manual page")
  endif()
endforeach()

file(WRITE ${work}/input "12 8 15 x 2 1 1 x -1\n")
execute_process(COMMAND ${usr}/bin/gradebook INPUT_FILE ${work}/input
                OUTPUT_VARIABLE report RESULT_VARIABLE rc)
string(CONCAT expected
  "Les notes saisies sont :\n12.00 8.00 15.00 \n"
  "Les coefficients sont :\n2.00 1.00 1.00 \n"
  "les nouvelles notes de l'eleve sont :\n12.00 8.00 15.00 \n"
  "la somme ponderée de l'etudiant est de 47.00\n"
  "l'etudiant a une moyenne ponderée de 11.75\n"
  "la note minimale est 2.00\n"
  "avec une moyenne de 11.75/20, l'etudiant est admis\n"
  "L'étudiant n'a pas passé l'épreuve facultative.\n")
if(NOT rc EQUAL 0 OR NOT report STREQUAL expected)
  message(FATAL_ERROR "gradebook from the package (status ${rc}) printed:\n${report}")
endif()

if(PYTHON)
  file(GLOB pages ${usr}/${MANDIR}/man1/*.gz ${usr}/${MANDIR}/man3/*.gz)
  execute_process(COMMAND ${PYTHON} ${CHECK_EXAMPLES} --root ${root} --skip-missing ${pages}
                  OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc)
  message(STATUS "${out}")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "examples of the installed pages fail")
  endif()
endif()
file(REMOVE_RECURSE ${work})
