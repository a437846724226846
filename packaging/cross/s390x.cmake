# Debian's s390x, built with g++-s390x-linux-gnu and run under qemu-s390x-static.
set(cross_triplet s390x-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(cross_emulator qemu-s390x-static)
set(rpm_architecture s390x)
include(${CMAKE_CURRENT_LIST_DIR}/../cross_toolchain.cmake)
