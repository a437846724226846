# Debian's arm64, built with g++-aarch64-linux-gnu and run under qemu-aarch64-static.
set(cross_triplet aarch64-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(cross_emulator qemu-aarch64-static)
set(rpm_architecture aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/../cross_toolchain.cmake)
