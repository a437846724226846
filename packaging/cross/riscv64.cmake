# Debian's riscv64, built with g++-riscv64-linux-gnu and run under qemu-riscv64-static.
set(cross_triplet riscv64-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(cross_emulator qemu-riscv64-static)
include(${CMAKE_CURRENT_LIST_DIR}/../cross_toolchain.cmake)
