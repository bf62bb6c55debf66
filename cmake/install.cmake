# Installation layout and the Debian package (cpack -G DEB).
include(GNUInstallDirs)
# Folders made on the way get plain modes, whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS tamberlox RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tamberlox-gate)
  install(TARGETS tamberlox-gate RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Manual pages: every docs/*.<section>, its @CMAKE_INSTALL_FULL_...@ paths and
# @PROJECT_VERSION@ filled in. At configure time for the configured prefix, into
# build/docs/ (what `man -l` and the tests read); at install time again for the
# prefix the install really uses (--prefix, or /usr in the Debian package),
# compressed as Debian wants.
find_program(TAMBERLOX_GZIP gzip)
file(GLOB man_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.[1-9])
foreach(page IN LISTS man_pages)
  get_filename_component(name ${page} NAME)
  configure_file(${page} ${PROJECT_BINARY_DIR}/docs/${name} @ONLY)
endforeach()
install(CODE "set(man_pages [[${man_pages}]])
  set(PROJECT_VERSION [[${PROJECT_VERSION}]])
  set(gzip [[${TAMBERLOX_GZIP}]])
  set(bindir [[${CMAKE_INSTALL_BINDIR}]])
  set(datadir [[${CMAKE_INSTALL_DATADIR}]])
  set(docdir [[${CMAKE_INSTALL_DOCDIR}]])
  set(mandir [[${CMAKE_INSTALL_MANDIR}]])
  set(staging [[${PROJECT_BINARY_DIR}/man-install]])")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/install_man_pages.cmake)

# The license and the release notes, in the forms Debian asks for.
# The maintainer: "DEBFULLNAME <DEBEMAIL>" when both are set at configure time
# (as dch takes them), else the one chosen at an earlier configure, else a
# placeholder. Only a value given with -DTAMBERLOX_MAINTAINER holds over the
# environment (-UTAMBERLOX_MAINTAINER drops it): the cache keeps every value
# from one configure to the next, the build's own choice too.
set(maintainer_placeholder "tamberlox developers <tamberlox@tamberlox.invalid>")
if(NOT DEFINED TAMBERLOX_MAINTAINER OR TAMBERLOX_MAINTAINER STREQUAL TAMBERLOX_MAINTAINER_CHOSEN
   OR TAMBERLOX_MAINTAINER STREQUAL maintainer_placeholder)
  set(maintainer "${maintainer_placeholder}")
  if(DEFINED ENV{DEBEMAIL} AND DEFINED ENV{DEBFULLNAME})
    set(maintainer "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
  elseif(DEFINED TAMBERLOX_MAINTAINER_CHOSEN)
    set(maintainer "${TAMBERLOX_MAINTAINER_CHOSEN}")
  endif()
  set(TAMBERLOX_MAINTAINER "${maintainer}"
      CACHE STRING "Name <address> of who answers for the Debian package" FORCE)
  set(TAMBERLOX_MAINTAINER_CHOSEN "${maintainer}" CACHE INTERNAL "The maintainer the build chose")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/deb/changelog.in ${PROJECT_BINARY_DIR}/deb/changelog @ONLY)
set(file_mode OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(program_mode ${file_mode} OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/deb/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR}
        PERMISSIONS ${file_mode})
if(TAMBERLOX_GZIP)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/deb/changelog.gz
                     COMMAND ${TAMBERLOX_GZIP} -9nc ${PROJECT_BINARY_DIR}/deb/changelog
                             > ${PROJECT_BINARY_DIR}/deb/changelog.gz
                     DEPENDS ${PROJECT_BINARY_DIR}/deb/changelog)
  add_custom_target(tamberlox_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/deb/changelog.gz)
  install(FILES ${PROJECT_BINARY_DIR}/deb/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR}
          PERMISSIONS ${file_mode})
else()
  install(FILES ${PROJECT_BINARY_DIR}/deb/changelog DESTINATION ${CMAKE_INSTALL_DOCDIR}
          PERMISSIONS ${file_mode})
endif()

# The example sets: scripts (a #! line) executable, everything else plain, whatever
# the umask of the checkout.
file(GLOB_RECURSE example_files RELATIVE ${PROJECT_SOURCE_DIR}/examples CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/examples/*)
# Hidden files, such as the formatting settings of the sources, are for developers.
list(FILTER example_files EXCLUDE REGEX "(^|/)\\.[^/]*$")
foreach(example IN LISTS example_files)
  get_filename_component(folder ${example} DIRECTORY)
  file(READ ${PROJECT_SOURCE_DIR}/examples/${example} start LIMIT 2)
  set(mode ${file_mode})
  if(start MATCHES "^#!")
    set(mode ${program_mode})
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/examples/${example}
          DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples/${folder} PERMISSIONS ${mode})
endforeach()

# The sets as data, found by name (tamberlox-gate --lists NAME): each example
# folder's _tamberlox_* files, without the samples.
file(GLOB set_lists CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*/_tamberlox_opn.txt)
foreach(set_list IN LISTS set_lists)
  get_filename_component(set_dir ${set_list} DIRECTORY)
  get_filename_component(set_name ${set_dir} NAME)
  file(GLOB set_files CONFIGURE_DEPENDS ${set_dir}/_tamberlox_*)
  install(FILES ${set_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/tamberlox/sets/${set_name}
          PERMISSIONS ${file_mode})
endforeach()

set(CPACK_PACKAGE_NAME tamberlox)
set(CPACK_PACKAGE_VENDOR "tamberlox developers")
set(CPACK_PACKAGE_CONTACT "${TAMBERLOX_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "check the nesting of user-defined tags in text files")
set(CPACK_PACKAGE_DESCRIPTION
    "Two programs on one engine. tamberlox reads open and close tag names from
two list files in the current directory and checks a text file against them:
it prints every occurrence with its nesting level and line number, the open and
close counts of each pair, and a verdict. tamberlox-gate checks many files, or
a whole repository through a map of file patterns to sets, in one run, and
prints one line a finding as compilers do, for editors, CI and pre-commit
hooks. Ready sets for HTML, LaTeX, C, Django and Jinja templates come with
them.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
find_program(TAMBERLOX_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TAMBERLOX_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
endif()
set(CPACK_VERBATIM_VARIABLES ON)
# The source package (cpack --config CPackSourceConfig.cmake) leaves out git data, build
# trees and scratch corpora.
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build[^/]*/" "/out/" "/fuzz/corpus-work/" "/bench/corpus/"
                              "/bench/results/")
include(CPack)
