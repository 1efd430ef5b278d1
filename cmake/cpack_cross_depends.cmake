# Run by cpack before it builds the packages of a cross build: the programs'
# Depends, which dpkg-shlibdeps cannot compute there by itself. It reads the
# target's libraries from the cross compiler's root, whose packages (libc6-
# arm64-cross, ...) name the target's own packages with the architecture
# (libc6:arm64) or a -<arch>-cross suffix: the programs' package names the
# packages as the target installs them (libc6, libstdc++6).
if(NOT CPACK_PETITS_DEBIAN_ARCH)
  return()
endif()
file(GLOB programs "${CPACK_TEMPORARY_DIRECTORY}/programs/usr/bin/*")
set(work "${CPACK_TEMPORARY_DIRECTORY}/../shlibdeps")
file(MAKE_DIRECTORY "${work}/debian")
file(WRITE "${work}/debian/control" "Source: petits-calculs\n")
list(TRANSFORM programs PREPEND "-e")
execute_process(COMMAND env DEB_HOST_ARCH=${CPACK_PETITS_DEBIAN_ARCH} dpkg-shlibdeps -O
                        -l/usr/${CPACK_PETITS_TRIPLET}/lib ${programs}
                WORKING_DIRECTORY "${work}" OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
file(REMOVE_RECURSE "${work}")
if(NOT rc EQUAL 0 OR NOT out MATCHES "^shlibs:Depends=([^\n]+)")
  message(FATAL_ERROR "dpkg-shlibdeps for ${CPACK_PETITS_DEBIAN_ARCH} (status ${rc}):\n${out}${err}")
endif()
string(REGEX REPLACE ":${CPACK_PETITS_DEBIAN_ARCH}|-${CPACK_PETITS_DEBIAN_ARCH}-cross" "" depends "${CMAKE_MATCH_1}")
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_DEPENDS "${depends}")
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SHLIBDEPS OFF)
