# Where `cmake --install` puts the game, and how CPack packages it: the
# Debian package (`cpack -G DEB`), the Windows zip (`cpack -G ZIP` in the
# cross build) and the source tarball (`cpack --config
# CPackSourceConfig.cmake`). The version everywhere is the project version
# of the root CMakeLists.txt.

# Games go to games/ under the prefix, as Debian puts them in /usr/games
# (and /usr/local/games); both are on a Debian user's PATH. macOS has no
# such place (/usr/local/games is on no Mac user's PATH), so there the
# program goes with the other binaries. Windows has none either: there the
# program sits in the zip's one folder, next to its README and licence.
if(WIN32)
  set(tenfall_default_gamesdir .)
elseif(APPLE)
  set(tenfall_default_gamesdir ${CMAKE_INSTALL_BINDIR})
else()
  set(tenfall_default_gamesdir games)
endif()
set(TENFALL_INSTALL_GAMESDIR ${tenfall_default_gamesdir} CACHE PATH
    "Directory under the install prefix for the tenfall program")

install(TARGETS tenfall RUNTIME DESTINATION ${TENFALL_INSTALL_GAMESDIR})
if(WIN32)
  install(FILES ${PROJECT_BINARY_DIR}/doc/README.txt ${PROJECT_BINARY_DIR}/doc/LICENSE.txt
          DESTINATION ${TENFALL_INSTALL_GAMESDIR})
else()
  install(FILES ${PROJECT_BINARY_DIR}/doc/tenfall.6.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  install(FILES ${PROJECT_BINARY_DIR}/doc/copyright ${PROJECT_BINARY_DIR}/doc/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

# The project's own name in every package, whoever builds it.
set(TENFALL_MAINTAINER "tenfall developers <developers@tenfall.example>"
    CACHE STRING "Maintainer named in the packages")

set(CPACK_PACKAGE_NAME tenfall)
set(CPACK_PACKAGE_VENDOR "tenfall")
set(CPACK_PACKAGE_CONTACT ${TENFALL_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "arithmetic game: add falling digits up to ten")
# Wrapped by hand: Debian shows the long description as it is written.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Ten stacks of digits from 1 to 9 grow on a terminal screen. Move a cursor"
  "between the stacks and pick numbers off their tops: numbers that add up to"
  "exactly ten vanish and score a point each. The game is over when a stack"
  "reaches the top of the screen. Numbers fall faster, and more at a time, as"
  "the score climbs.")
set(CPACK_STRIP_FILES ON)
# Every CPACK_ value reaches cpack as written here, backslashes and all.
set(CPACK_VERBATIM_VARIABLES ON)
# The zip unpacks into a folder of its own, named as the zip is
# (tenfall-<version>-win64/), not into the folder it is unpacked in.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

# The source tarball: the source tree less what building and testing leave
# in it (build folders, npm's downloads, the inputs a fuzzer run saves,
# editor backups) and git's own files. The patterns are anchored at the
# source folder, so that a checkout under a folder named build* still packs.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION})
string(REGEX REPLACE "([][+.*()^$?|\\])" "\\\\\\1" tenfall_source_regex "${PROJECT_SOURCE_DIR}")
set(CPACK_SOURCE_IGNORE_FILES
  "^${tenfall_source_regex}/\\.git(/|$)"
  "^${tenfall_source_regex}/build[^/]*/"
  "^${tenfall_source_regex}/Testing/"
  "/node_modules/"
  "/(crash|leak|timeout|oom|slow-unit)-[0-9a-f]+$"
  "~$" "\\.sw[op]$")

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB)
elseif(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ)
endif()

# Debian: installed under /usr (set in cpack-generators.cmake), so the game
# lands in /usr/games; the library dependencies are computed by
# dpkg-shlibdeps from the binary itself.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-generators.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TENFALL_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps reads the build machine's packages, so a cross build names
# its runtime libraries itself: those of Debian 12, whose g++ 12 built it.
# The arm64 stage checks the names against what dpkg-shlibdeps finds in the
# cross libraries.
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  set(TENFALL_CROSS_DEPENDS "libc6 (>= 2.36), libgcc-s1 (>= 3.0), libstdc++6 (>= 12)"
      CACHE STRING "Depends of a cross-built .deb")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS ${TENFALL_CROSS_DEPENDS})
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
  endif()
endif()
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  include(cmake/debian.cmake)
endif()

include(CPack)
