# Debian's ppc64el, built with g++-powerpc64le-linux-gnu and run under qemu-ppc64le-static.
set(cross_triplet powerpc64le-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR ppc64le)
set(cross_emulator qemu-ppc64le-static)
set(rpm_architecture ppc64le)
include(${CMAKE_CURRENT_LIST_DIR}/../cross_toolchain.cmake)
