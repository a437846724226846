# Run by cpack after the portable .tar.gz: the source release beside the
# packages, the tracked files of the commit under one folder, as git archive
# makes them (its time stamps are the commit's, so two builds give the same
# bytes).  Distributions build from it; outside a git checkout there is none.
if(NOT CPACK_GENERATOR STREQUAL "TGZ")
    return()
endif()
set(source_tree "${CPACK_QUOTA_REPORT_SOURCE_DIR}")
set(name "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}")
if(NOT CPACK_QUOTA_REPORT_GIT OR NOT EXISTS "${source_tree}/.git")
    message(STATUS "No source release: ${source_tree} is not a git checkout")
    return()
endif()
# Written under another name and renamed when whole, so that a failed git
# (one that refuses a checkout owned by another user, say) leaves no file.
set(release "${CPACK_PACKAGE_DIRECTORY}/${name}.tar.gz")
execute_process(
    COMMAND "${CPACK_QUOTA_REPORT_GIT}" -C "${source_tree}" archive --format=tar.gz
            "--prefix=${name}/" -o "${release}.part" HEAD
    RESULT_VARIABLE failed ERROR_VARIABLE why)
if(failed)
    file(REMOVE "${release}.part")
    message(FATAL_ERROR "git archive could not make the source release: ${why}")
endif()
file(RENAME "${release}.part" "${release}")
message(STATUS "Source release: ${CPACK_PACKAGE_DIRECTORY}/${name}.tar.gz")
