# Debian s390x (IBM Z, big-endian): cmake --preset s390x.
set(PETITS_TRIPLET s390x-linux-gnu)
set(PETITS_DEBIAN_ARCH s390x)
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(PETITS_QEMU qemu-s390x)
include(${CMAKE_CURRENT_LIST_DIR}/DebianCross.cmake)
