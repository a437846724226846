# Debian's armhf, built with g++-arm-linux-gnueabihf and run under qemu-arm-static.
set(cross_triplet arm-linux-gnueabihf)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(cross_emulator qemu-arm-static)
include(${CMAKE_CURRENT_LIST_DIR}/../cross_toolchain.cmake)
