# Debian's armel, built with g++-arm-linux-gnueabi and run under qemu-arm-static.
set(cross_triplet arm-linux-gnueabi)
set(CMAKE_SYSTEM_PROCESSOR armv5tel)
set(cross_emulator qemu-arm-static)
include(${CMAKE_CURRENT_LIST_DIR}/../cross_toolchain.cmake)
