# Where `cmake --install` puts the game, and how `cpack -G DEB` packages it.
# The version everywhere is the project version of the root CMakeLists.txt.

# Games go to games/ under the prefix, as Debian puts them in /usr/games
# (and /usr/local/games); both are on a Debian user's PATH. Windows and macOS
# have no such place (/usr/local/games is on no Mac user's PATH), so there
# the program goes with the other binaries.
if(WIN32 OR APPLE)
  set(tenfall_default_gamesdir ${CMAKE_INSTALL_BINDIR})
else()
  set(tenfall_default_gamesdir games)
endif()
set(TENFALL_INSTALL_GAMESDIR ${tenfall_default_gamesdir} CACHE PATH
    "Directory under the install prefix for the tenfall program")

install(TARGETS tenfall RUNTIME DESTINATION ${TENFALL_INSTALL_GAMESDIR})
if(UNIX)
  install(FILES ${PROJECT_BINARY_DIR}/doc/tenfall.6
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endif()

set(TENFALL_MAINTAINER "Seed 2830afe4 maintainers <maintainers@users.noreply.c-seed-2830afe4.example>"
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
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git" "/build")

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB)
elseif(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ)
endif()

# Debian: installed under /usr, so the game lands in /usr/games; the library
# dependencies are computed by dpkg-shlibdeps from the binary itself.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TENFALL_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
