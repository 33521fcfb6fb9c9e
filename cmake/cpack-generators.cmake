# Read by cpack for each kind of package it makes, with CPACK_GENERATOR
# naming it. Only the Debian package installs under a prefix, /usr, so that
# the game lands in /usr/games; the zip and the source tarball have their
# files at the top.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()

# The source tarball, the one package made from directories rather than by
# installing the project: in a git working tree it holds the files git
# tracks and nothing else, so that notes, object files or anything else
# lying about the tree stay out whatever .gitignore says. They are copied
# into a folder of their own, which is packed in place of the source folder.
# Outside git (sources unpacked from a tarball) the source folder is packed
# less the ignore patterns of install.cmake.
if(CPACK_INSTALLED_DIRECTORIES)
  list(GET CPACK_INSTALLED_DIRECTORIES 0 tenfall_source)
  find_program(TENFALL_GIT git)
  set(tenfall_tracked "")
  if(TENFALL_GIT)
    # Names as they are, one a line; git quotes only names with a quote,
    # a backslash or a control character in them, which are refused below.
    execute_process(COMMAND ${TENFALL_GIT} -c core.quotePath=false ls-files
      WORKING_DIRECTORY ${tenfall_source}
      OUTPUT_VARIABLE tenfall_tracked OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE tenfall_git_status ERROR_QUIET)
    if(NOT tenfall_git_status EQUAL 0)
      set(tenfall_tracked "")
    endif()
    string(REPLACE "\n" ";" tenfall_tracked "${tenfall_tracked}")
  endif()
  # A source folder that merely sits inside someone else's git tree has
  # none of its files tracked there: it is packed as if outside git.
  list(FIND tenfall_tracked CMakeLists.txt tenfall_top)
  if(tenfall_top GREATER -1)
    get_filename_component(tenfall_stage "${CPACK_OUTPUT_CONFIG_FILE}" DIRECTORY)
    set(tenfall_stage "${tenfall_stage}/tenfall-tracked-files")
    file(REMOVE_RECURSE "${tenfall_stage}")
    foreach(name IN LISTS tenfall_tracked)
      if(name MATCHES "^\"|;")
        message(FATAL_ERROR "cannot pack a file named ${name}")
      endif()
      # A tracked file deleted from the tree is left out, as it is gone.
      if(EXISTS "${tenfall_source}/${name}" OR IS_SYMLINK "${tenfall_source}/${name}")
        get_filename_component(folder "${name}" DIRECTORY)
        file(COPY "${tenfall_source}/${name}" DESTINATION "${tenfall_stage}/${folder}")
      endif()
    endforeach()
    set(CPACK_INSTALLED_DIRECTORIES "${tenfall_stage};/")
    # The list is exact: no pattern may drop any of it (the staging folder
    # itself lies in a build folder, which the patterns leave out).
    set(CPACK_IGNORE_FILES "")
  endif()
endif()
