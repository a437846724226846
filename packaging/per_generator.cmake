# Read by cpack before each package it makes.

# A checkout git could not read when the build was configured dates nothing.
if(CPACK_QUOTA_REPORT_GIT_REFUSAL)
    message(FATAL_ERROR "No package: ${CPACK_QUOTA_REPORT_GIT_REFUSAL}")
endif()

# Time stamps in every package come from the last commit (see
# packaging/CMakeLists.txt)
# unless the caller sets them.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ENV{SOURCE_DATE_EPOCH} "${CPACK_QUOTA_REPORT_SOURCE_DATE_EPOCH}")
endif()

# Every package holds the statically linked program.  The .deb keeps its
# documentation, with the copyright file, the Debian changelog and the lintian
# override, under the Debian package's own name.  The .rpm installs as
# cmake --install does, with LICENSE and the notices of what the program
# embeds as %license files.  The .tar.gz has a top folder, and the
# licences and notices among its documents.
if(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_COMPONENTS_ALL portable manual debian)
elseif(CPACK_GENERATOR STREQUAL "RPM")
    set(CPACK_COMPONENTS_ALL portable manual doc rpm_notices)
elseif(CPACK_GENERATOR STREQUAL "TGZ")
    set(CPACK_COMPONENTS_ALL portable manual doc tarball_notices)
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_QUOTA_REPORT_PORTABLE_NAME}")
    set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()
