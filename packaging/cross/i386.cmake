# Debian's i386, built with g++-i686-linux-gnu and run under qemu-i386-static.
set(cross_triplet i686-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(cross_emulator qemu-i386-static)
include(${CMAKE_CURRENT_LIST_DIR}/../cross_toolchain.cmake)
