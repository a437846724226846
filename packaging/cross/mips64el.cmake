# Debian's mips64el, built with g++-mips64el-linux-gnuabi64 and run under qemu-mips64el-static.
set(cross_triplet mips64el-linux-gnuabi64)
set(CMAKE_SYSTEM_PROCESSOR mips64el)
set(cross_emulator qemu-mips64el-static)
include(${CMAKE_CURRENT_LIST_DIR}/../cross_toolchain.cmake)
