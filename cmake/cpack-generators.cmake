# Read by cpack for each kind of package it makes, with CPACK_GENERATOR
# naming it. Only the Debian package installs under a prefix, /usr, so that
# the game lands in /usr/games; the zip and the source tarball have their
# files at the top.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
