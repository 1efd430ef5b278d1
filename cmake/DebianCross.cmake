# A cross build with Debian's cross compilers, for a 64-bit Linux target
# whose GNU triplet and qemu-user emulator the including toolchain file sets:
#   PETITS_TRIPLET          aarch64-linux-gnu, s390x-linux-gnu, ...
#   PETITS_DEBIAN_ARCH      its Debian architecture: arm64, s390x, ...
#   CMAKE_SYSTEM_PROCESSOR  the target's processor;
#   PETITS_QEMU             the qemu-user program that runs it.
# The compiler is g++-<triplet>; the tests run the programs with qemu-user
# and the target's C library from /usr/<triplet>, where the cross compiler
# finds it too: no multiarch installation is needed, nor binfmt_misc.
set(CMAKE_SYSTEM_NAME Linux)

# Stop here, naming the package, rather than with CMake's bare "not found".
find_program(PETITS_CROSS_CXX ${PETITS_TRIPLET}-g++)
if(NOT PETITS_CROSS_CXX)
  message(FATAL_ERROR "${PETITS_TRIPLET}-g++ not found: the ${CMAKE_SYSTEM_PROCESSOR} build needs "
                      "it (Debian package g++-${PETITS_TRIPLET})")
endif()
set(CMAKE_CXX_COMPILER ${PETITS_CROSS_CXX})
# C, which GoogleTest's own project enables: gcc-<triplet>, which g++-<triplet>
# depends on.
set(CMAKE_C_COMPILER ${PETITS_TRIPLET}-gcc)

# The target's headers, libraries and packages only come from its own root;
# programs (the tools the build and the tests run) are the machine's.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${PETITS_TRIPLET})  # and the roots a -D names
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest runs every test program of the target through it; cmake/CrossTesting.cmake
# makes sure it is installed.
set(CMAKE_CROSSCOMPILING_EMULATOR ${PETITS_QEMU} -L /usr/${PETITS_TRIPLET})
