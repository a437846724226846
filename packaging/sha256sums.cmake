# Run by cpack after each package, before it is copied to the package folder:
# SHA256SUMS there lists, in the format of sha256sum, the new package and
# every other package and source release already in the folder.
set(sums_file "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS")
file(GLOB present LIST_DIRECTORIES false "${CPACK_PACKAGE_DIRECTORY}/*.deb"
     "${CPACK_PACKAGE_DIRECTORY}/*.rpm" "${CPACK_PACKAGE_DIRECTORY}/*.tar.gz")
set(names "")
foreach(package IN LISTS present CPACK_PACKAGE_FILES)
    # A new package is summed where cpack made it, not as an older copy.
    get_filename_component(name "${package}" NAME)
    file(SHA256 "${package}" sum)
    set(sums_of_${name} "${sum}  ${name}")
    list(APPEND names "${name}")
endforeach()
list(REMOVE_DUPLICATES names)
list(SORT names)
set(sums "")
foreach(name IN LISTS names)
    string(APPEND sums "${sums_of_${name}}\n")
endforeach()
file(WRITE "${sums_file}" "${sums}")
