# Writes the presets of the cross builds, packaging/cross_presets.json, which
# CMakePresets.json includes, from the toolchain files packaging/cross/*.cmake:
# one architecture a file, named as Debian names it.  For each: a configure, a
# build, a test and a package preset of its name, and the workflow
# package-ARCH.  They inherit only from the hidden presets written here: an
# included file cannot reach the presets of the file that includes it.  CI
# checks that the file is what this script writes.
#
#     cmake [-D output=FILE] -P packaging/cross_presets.cmake
if(NOT DEFINED output)
    set(output ${CMAKE_CURRENT_LIST_DIR}/cross_presets.json)
endif()
file(GLOB toolchains ${CMAKE_CURRENT_LIST_DIR}/cross/*.cmake)
list(SORT toolchains)

set(configure "")
set(build "")
set(test "")
set(package "")
set(workflow "")
foreach(toolchain IN LISTS toolchains)
    get_filename_component(arch ${toolchain} NAME_WE)
    # The toolchain file's first line says what it builds.
    file(STRINGS ${toolchain} what LIMIT_COUNT 1 REGEX "^# ")
    string(REGEX REPLACE "^# (.*)\\.$" "\\1" what "${what}")
    string(APPEND configure ",\n    {\"name\": \"${arch}\", \"inherits\": \"cross\", \"displayName\": \"${what}\"}")
    string(APPEND build ",\n    {\"name\": \"${arch}\", \"configurePreset\": \"${arch}\"}")
    foreach(kind test package)
        string(APPEND ${kind}
            ",\n    {\"name\": \"${arch}\", \"configurePreset\": \"${arch}\", \"inherits\": \"cross\"}")
    endforeach()
    set(steps "")
    foreach(step configure build test package)
        string(APPEND steps ", {\"type\": \"${step}\", \"name\": \"${arch}\"}")
    endforeach()
    string(SUBSTRING "${steps}" 2 -1 steps)
    string(APPEND workflow ",\n    {\"name\": \"package-${arch}\", \"steps\": [${steps}]}")
endforeach()
foreach(section build workflow)
    string(SUBSTRING "${${section}}" 1 -1 ${section})
endforeach()

# The release build (as the preset release of CMakePresets.json) with the
# architecture's toolchain; its tests run under the emulator.
file(WRITE ${output} "{
  \"version\": 6,
  \"vendor\": {\"generated\": \"by cmake -P packaging/cross_presets.cmake from packaging/cross/*.cmake\"},
  \"configurePresets\": [
    {
      \"name\": \"cross\",
      \"hidden\": true,
      \"description\": \"the release build for the Debian architecture that names the preset, with its cross compiler\",
      \"binaryDir\": \"\${sourceDir}/build/cross/\${presetName}\",
      \"toolchainFile\": \"\${sourceDir}/packaging/cross/\${presetName}.cmake\",
      \"cacheVariables\": {\"CMAKE_BUILD_TYPE\": \"Release\", \"CMAKE_COMPILE_WARNING_AS_ERROR\": \"ON\",
                         \"QUOTA_REPORT_PORTABLE\": \"ON\", \"CMAKE_INSTALL_PREFIX\": \"/usr\"}
    }${configure}
  ],
  \"buildPresets\": [${build}
  ],
  \"testPresets\": [
    {\"name\": \"cross\", \"hidden\": true, \"output\": {\"outputOnFailure\": true}}${test}
  ],
  \"packagePresets\": [
    {\"name\": \"cross\", \"hidden\": true, \"packageDirectory\": \"\${sourceDir}/build/packages\"}${package}
  ],
  \"workflowPresets\": [${workflow}
  ]
}
")
