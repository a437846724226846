# What the statically linked program carries besides its own code: the C
# library and libgcc of the toolchain, as the build machine's own package
# database names them.  For each, the archive the compiler links is traced to
# the package that owns it, and that to its source package and version: a
# cross toolchain's package names the source it was built from in its own
# Built-Using field, which wins.  Sets, for the C library (c_library_...) and
# for libgcc (libgcc_...): _source, the Debian source package; _version, its
# exact version; _package, the package that owns the archive; _notices, its
# copyright file.

# The archive `archive` that the compiler links, traced to the source package
# whose name matches `source_pattern`.
function(find_embedded prefix archive source_pattern)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} ${CMAKE_CXX_COMPILER_ARG1}
                            -print-file-name=${archive}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(path "${path}" REALPATH)
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "QUOTA_REPORT_PORTABLE needs a static C library: ${CMAKE_CXX_COMPILER} "
                            "links no ${archive} (on Debian, libc6-dev has it). Configure without "
                            "QUOTA_REPORT_PORTABLE for the dynamically linked program alone.")
    endif()
    find_program(dpkg_query dpkg-query)
    if(NOT dpkg_query)
        message(FATAL_ERROR "QUOTA_REPORT_PORTABLE names the libraries the program embeds from "
                            "dpkg's package database, and this machine has no dpkg-query.")
    endif()
    # dpkg may know the file by the path before /lib was merged into /usr/lib.
    string(REGEX REPLACE "^/usr(/lib.*)$" "\\1" unmerged "${path}")
    execute_process(COMMAND ${dpkg_query} -S "${path}" OUTPUT_VARIABLE owner ERROR_QUIET
                    RESULT_VARIABLE failed)
    if(failed)
        execute_process(COMMAND ${dpkg_query} -S "${unmerged}" OUTPUT_VARIABLE owner
                        ERROR_QUIET RESULT_VARIABLE failed)
    endif()
    if(failed OR NOT owner MATCHES "^([^:, ]+)(:[^:, ]+)?: ")
        message(FATAL_ERROR "No package of dpkg's database owns ${path}.")
    endif()
    set(package ${CMAKE_MATCH_1})
    set(qualified ${CMAKE_MATCH_1}${CMAKE_MATCH_2})
    execute_process(
        COMMAND ${dpkg_query} -W "-f=\${source:Package}\n\${source:Version}\n\${Built-Using}\n"
                ${qualified}
        OUTPUT_VARIABLE fields RESULT_VARIABLE failed)
    string(REPLACE "\n" ";" fields "${fields}")
    list(GET fields 0 source)
    list(GET fields 1 version)
    list(GET fields 2 built_using)
    if(built_using MATCHES "(^|, )(${source_pattern}) \\(= ([^)]+)\\)")
        set(source ${CMAKE_MATCH_2})
        set(version ${CMAKE_MATCH_3})
    elseif(NOT source MATCHES "^(${source_pattern})$")
        message(FATAL_ERROR "${path} comes from ${qualified}, of the source package ${source}, "
                            "which is not ${source_pattern}.")
    endif()
    set(notices /usr/share/doc/${package}/copyright)
    if(NOT EXISTS ${notices})
        message(FATAL_ERROR "${qualified} has no copyright file ${notices}.")
    endif()
    message(STATUS "The portable program embeds ${archive} of ${source} ${version} (${qualified})")
    set(${prefix}_source ${source} PARENT_SCOPE)
    set(${prefix}_version ${version} PARENT_SCOPE)
    set(${prefix}_notices ${notices} PARENT_SCOPE)
    set(${prefix}_package ${qualified} PARENT_SCOPE)
endfunction()

find_embedded(c_library libc.a "glibc")
find_embedded(libgcc libgcc.a "gcc-[0-9]+")
