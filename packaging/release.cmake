# The release as NEWS.md tells it: its date (release_date, and release_epoch
# in seconds) and its history in the formats of the Debian and RPM changelogs
# (debian_changelog, rpm_changelog).  project(VERSION) is the one place the
# version is written; the newest heading of NEWS.md must name it.
#
# NEWS.md: each release is a heading "## VERSION (YYYY-MM-DD)" followed by
# items "- text", whose continuation lines are indented by two spaces.

# Days since 1970-01-01 and the weekday (0 is Sunday) of a YYYY-MM-DD date.
function(civil_date date out_days out_weekday)
    if(NOT date MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
        message(FATAL_ERROR "NEWS.md: not a YYYY-MM-DD date: ${date}")
    endif()
    math(EXPR y "${CMAKE_MATCH_1}")
    math(EXPR m "1${CMAKE_MATCH_2} - 100")
    math(EXPR d "1${CMAKE_MATCH_3} - 100")
    if(m LESS_EQUAL 2)
        math(EXPR y "${y} - 1")
    endif()
    math(EXPR days "${y} * 365 + ${y} / 4 - ${y} / 100 + ${y} / 400
                    + (153 * ((${m} + 9) % 12) + 2) / 5 + ${d} - 1 - 719468")
    math(EXPR weekday "(${days} + 4) % 7")
    set(${out_days} ${days} PARENT_SCOPE)
    set(${out_weekday} ${weekday} PARENT_SCOPE)
endfunction()

# Writes a gzip copy of a file with no name or time stamp in its header.
function(gzip_file input output)
    execute_process(COMMAND gzip -9nc "${input}" OUTPUT_FILE "${output}" RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "gzip could not compress ${input}: ${failed}")
    endif()
endfunction()

# Who maintains the packages, signs the changelog entries and answers bug
# reports and requests for the source, and where the project lives: the
# publisher gives both at release time, as the environment variables or the
# cache variables of these names (CONTRIBUTING.md); the placeholders reach no
# one.
set(maintainer "quota_report developers <maintainers@quota-report.invalid>")
set(homepage "https://quota-report.invalid/")
if(DEFINED ENV{QUOTA_REPORT_MAINTAINER})
    set(maintainer "$ENV{QUOTA_REPORT_MAINTAINER}")
endif()
if(DEFINED ENV{QUOTA_REPORT_HOMEPAGE})
    set(homepage "$ENV{QUOTA_REPORT_HOMEPAGE}")
endif()
set(QUOTA_REPORT_MAINTAINER "${maintainer}" CACHE STRING "Name <address> of the packages' maintainer")
set(QUOTA_REPORT_HOMEPAGE "${homepage}" CACHE STRING "The project's homepage")
set(release_maintainer "${QUOTA_REPORT_MAINTAINER}")
# Debian's package names allow no underscore.
set(debian_package_name quota-report)

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/NEWS.md)
file(READ ${PROJECT_SOURCE_DIR}/NEWS.md news)
# List separators and brackets would split or join the lines below.
string(REPLACE ";" "<semicolon>" news "${news}")
string(REPLACE "[" "<open>" news "${news}")
string(REPLACE "]" "<close>" news "${news}")
string(REPLACE "\n" ";" news "${news}")

# Debian wants each changelog entry later than the one below it; releases of
# one day are told apart by the second of the day, the oldest at 00:00:00.
set(release_dates "")
foreach(line IN LISTS news)
    if(line MATCHES "^## [^ ]+ \\(([0-9-]+)\\)$")
        list(APPEND release_dates ${CMAKE_MATCH_1})
    endif()
endforeach()

set(weekdays Sun Mon Tue Wed Thu Fri Sat)
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(debian_changelog "")
set(rpm_changelog "")
set(debian_trailer "")
set(release_date "")
foreach(line IN LISTS news)
    if(line MATCHES "^## ([^ ]+) \\(([0-9-]+)\\)$")
        set(version ${CMAKE_MATCH_1})
        set(date ${CMAKE_MATCH_2})
        civil_date(${date} days weekday)
        if(release_date STREQUAL "")
            if(NOT version STREQUAL PROJECT_VERSION)
                message(FATAL_ERROR "NEWS.md begins with ${version}; the project is ${PROJECT_VERSION}")
            endif()
            set(release_date ${date})
            math(EXPR release_epoch "${days} * 86400")
        endif()
        list(GET weekdays ${weekday} day_name)
        string(SUBSTRING ${date} 5 2 month)
        math(EXPR month "1${month} - 101")
        list(GET months ${month} month_name)
        string(SUBSTRING ${date} 8 2 day)
        string(SUBSTRING ${date} 0 4 year)
        # Releases of the same day still to come in the file are older.
        list(REMOVE_AT release_dates 0)
        set(same_day_older 0)
        foreach(older IN LISTS release_dates)
            if(older STREQUAL date)
                math(EXPR same_day_older "${same_day_older} + 1")
            endif()
        endforeach()
        if(same_day_older GREATER 59)
            message(FATAL_ERROR "NEWS.md: more than 60 releases on ${date}")
        endif()
        math(EXPR second "100 + ${same_day_older}")
        string(SUBSTRING ${second} 1 2 second)
        string(APPEND debian_changelog "${debian_trailer}"
            "${debian_package_name} (${version}) unstable; urgency=medium\n\n")
        set(debian_trailer
            "\n -- ${release_maintainer}  ${day_name}, ${day} ${month_name} ${year} 00:00:${second} +0000\n\n")
        if(NOT rpm_changelog STREQUAL "")
            string(APPEND rpm_changelog "\n")
        endif()
        string(APPEND rpm_changelog
            "* ${day_name} ${month_name} ${day} ${year} ${release_maintainer} - ${version}-1\n")
    elseif(release_date STREQUAL "")
        # The preamble before the first release.
    elseif(line MATCHES "^- (.*)$")
        string(APPEND debian_changelog "  * ${CMAKE_MATCH_1}\n")
        string(APPEND rpm_changelog "- ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^  (.*)$")
        string(APPEND debian_changelog "    ${CMAKE_MATCH_1}\n")
        string(APPEND rpm_changelog "  ${CMAKE_MATCH_1}\n")
    elseif(NOT line STREQUAL "")
        message(FATAL_ERROR "NEWS.md: a release holds only items: ${line}")
    endif()
endforeach()
if(release_date STREQUAL "")
    message(FATAL_ERROR "NEWS.md names no release")
endif()
string(APPEND debian_changelog "${debian_trailer}")
foreach(text debian_changelog rpm_changelog)
    string(REPLACE "<semicolon>" ";" ${text} "${${text}}")
    string(REPLACE "<open>" "[" ${text} "${${text}}")
    string(REPLACE "<close>" "]" ${text} "${${text}}")
    string(REGEX REPLACE "\n+$" "\n" ${text} "${${text}}")
endforeach()
