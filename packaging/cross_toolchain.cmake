# Cross-compiles for Linux with Debian's cross compiler g++-TRIPLET (from the
# package of that name, with gcc-TRIPLET); the programs built run here under
# qemu-user, which finds the target's C library in /usr/TRIPLET.  Included by
# the toolchain file of each architecture, packaging/cross/ARCH.cmake, named
# after the Debian architecture, which names its triplet (cross_triplet),
# processor (CMAKE_SYSTEM_PROCESSOR, as uname -m names it on the machines the
# build is for; it names the portable tarball) and emulator (cross_emulator),
# and the processor's name in RPM (rpm_architecture) where RPM distributions
# ship for it.  Those files are the one list of the architectures built here:
# the presets (cross_presets.cmake) and CI are made from them.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${cross_triplet}-gcc)
set(CMAKE_CXX_COMPILER ${cross_triplet}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${cross_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${cross_emulator} -L /usr/${cross_triplet})
# The packages' architecture, as Debian names it: the toolchain file's name.
get_filename_component(debian_architecture ${CMAKE_PARENT_LIST_FILE} NAME_WE)
