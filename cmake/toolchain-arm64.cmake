# Debian arm64 (aarch64, little-endian): cmake --preset arm64.
set(PETITS_TRIPLET aarch64-linux-gnu)
set(PETITS_DEBIAN_ARCH arm64)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(PETITS_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/DebianCross.cmake)
