# Run by cpack after each package: records what its program embeds.  The .deb
# gets the Built-Using field, which CPack cannot write, naming the source
# package of the C library that the static program embeds (Debian Policy
# 7.8): dpkg-deb unpacks the package and builds it again from the same files,
# its time stamps clamped to SOURCE_DATE_EPOCH.  Every release file made gets
# a record of the Debian source packages in it, one line each (source,
# version, SPDX licence), under _CPack_Packages/embedded/ beside it, from which
# packaging/finish_release.sh writes the release's SPDX document.
set(records "${CPACK_PACKAGE_DIRECTORY}/_CPack_Packages/embedded")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    get_filename_component(name "${package}" NAME)
    file(WRITE "${records}/${name}" "")
    foreach(embedded IN LISTS CPACK_QUOTA_REPORT_EMBEDDED)
        string(REPLACE "|" " " embedded "${embedded}")
        file(APPEND "${records}/${name}" "${embedded}\n")
    endforeach()
endforeach()

if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
    set(tree "${deb}.tree")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}" RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "dpkg-deb could not unpack ${deb}")
    endif()
    file(READ "${tree}/DEBIAN/control" control)
    string(REPLACE "\nDescription: " "\nBuilt-Using: ${CPACK_QUOTA_REPORT_BUILT_USING}\nDescription: "
           control "${control}")
    file(WRITE "${tree}/DEBIAN/control" "${control}")
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${CPACK_QUOTA_REPORT_SOURCE_DATE_EPOCH}
                dpkg-deb --root-owner-group -Zxz --build "${tree}" "${deb}"
        OUTPUT_QUIET RESULT_VARIABLE failed)
    file(REMOVE_RECURSE "${tree}")
    if(failed)
        message(FATAL_ERROR "dpkg-deb could not build ${deb} again")
    endif()
endforeach()
