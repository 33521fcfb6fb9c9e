# What Debian's own packaging tools would add to the package, for
# `cpack -G DEB`: the Debian changelog, and a strip that also drops the
# compiler's notes.

# A package with a Debian revision (1.1.0-1) carries a changelog of its own
# in Debian's format, next to the upstream changelog.gz: one entry for each
# version CHANGELOG.md names, each one packaged as revision 1. The newest
# must be this version. Older entries take their release date; the newest
# is dated when the build is configured, as a packager's entry would be
# (SOURCE_DATE_EPOCH, when set, fixes that time for a reproducible package).
file(READ ${PROJECT_SOURCE_DIR}/CHANGELOG.md changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
string(REGEX MATCHALL "\n## \\[[0-9.]+\\] - [0-9]+-[0-9]+-[0-9]+" releases "${changelog}")
# Without an entry for this version the game still builds; only the Debian
# package, which needs one, cannot be made until the entry is written.
if(NOT releases MATCHES "^\n## \\[${PROJECT_VERSION}\\]")
  message(WARNING "CHANGELOG.md does not start with a dated entry \"## [${PROJECT_VERSION}] - YYYY-MM-DD\": "
                  "no Debian package can be made until it does")
  set(releases "")
endif()

set(weekdays Sun Mon Tue Wed Thu Fri Sat)
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(month_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
set(debian_changelog "")
foreach(release IN LISTS releases)
  string(REGEX MATCH "\\[(.*)\\] - ([0-9]+)-([0-9]+)-([0-9]+)" ignored "${release}")
  set(upstream ${CMAKE_MATCH_1})
  if(upstream STREQUAL PROJECT_VERSION)
    set(version ${upstream}-${CPACK_DEBIAN_PACKAGE_RELEASE})
    string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  else()
    set(version ${upstream}-1)
    # Debian's dates name the day of the week (Sakamoto's method, 0 for Sunday).
    set(year ${CMAKE_MATCH_2})
    math(EXPR month "${CMAKE_MATCH_3}")
    set(day ${CMAKE_MATCH_4})
    math(EXPR index "${month} - 1")
    list(GET month_offsets ${index} offset)
    set(y ${year})
    if(month LESS 3)
      math(EXPR y "${y} - 1")
    endif()
    math(EXPR weekday "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${offset} + ${day}) % 7")
    list(GET weekdays ${weekday} weekday)
    list(GET months ${index} month)
    set(date "${weekday}, ${day} ${month} ${year} 00:00:00 +0000")
  endif()
  string(APPEND debian_changelog
    "${PROJECT_NAME} (${version}) unstable; urgency=medium\n\n"
    "  * Packaged from the ${PROJECT_NAME} ${upstream} sources; what changed in them\n"
    "    is in changelog.gz.\n\n"
    " -- ${TENFALL_MAINTAINER}  ${date}\n\n")
endforeach()
string(STRIP "${debian_changelog}" debian_changelog)

set(debian_dir ${PROJECT_BINARY_DIR}/debian)
if(releases)
  file(WRITE ${debian_dir}/changelog.Debian "${debian_changelog}\n")
  tenfall_gzip(${debian_dir}/changelog.Debian ${debian_dir}/changelog.Debian.gz)
  add_custom_target(tenfall_debian_changelog DEPENDS ${debian_dir}/changelog.Debian.gz)
  add_dependencies(tenfall tenfall_debian_changelog)
endif()

# Run by cpack on the staged files, before they are packed.
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian-prepare.cmake.in ${debian_dir}/prepare.cmake @ONLY)
set(CPACK_PRE_BUILD_SCRIPTS ${debian_dir}/prepare.cmake)
