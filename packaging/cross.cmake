# Cross-compiles for the architecture QUOTA_REPORT_ARCH of
# packaging/architectures, named as Debian names it, with Debian's cross
# compiler g++-TRIPLET; the programs built run here under qemu-user, which
# finds the target's C library in /usr/TRIPLET.
#
#     cmake -B build/s390x --toolchain packaging/cross.cmake -D QUOTA_REPORT_ARCH=s390x
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUOTA_REPORT_ARCH)
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/architectures row REGEX "^${QUOTA_REPORT_ARCH} ")
string(REGEX MATCHALL "[^ ]+" row "${row}")
list(LENGTH row fields)
if(fields LESS 5 OR row MATCHES "^[^;]+;[^;]+;[^;]+;[^;]+;-")
    message(FATAL_ERROR "QUOTA_REPORT_ARCH names no foreign architecture of "
                        "packaging/architectures: ${QUOTA_REPORT_ARCH}")
endif()
list(GET row 1 CMAKE_SYSTEM_PROCESSOR)
list(GET row 3 triplet)
list(GET row 4 emulator)
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${triplet}-gcc)
set(CMAKE_CXX_COMPILER ${triplet}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${emulator} -L /usr/${triplet})
