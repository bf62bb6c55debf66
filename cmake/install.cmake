# Installation layout and the Debian package (cpack -G DEB).
include(GNUInstallDirs)

install(TARGETS tamberlox RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/tamberlox.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
        USE_SOURCE_PERMISSIONS)

set(CPACK_PACKAGE_NAME tamberlox)
set(CPACK_PACKAGE_VENDOR "tamberlox developers")
set(CPACK_PACKAGE_CONTACT "tamberlox maintainers <maintainers@tamberlox.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "tamberlox reads open and close tag names from two list files in the current\
 directory and checks a text file against them: it prints every occurrence with\
 its nesting level and line number, the open and close counts of each pair, and\
 a verdict.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
find_program(TAMBERLOX_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TAMBERLOX_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6")
endif()
set(CPACK_VERBATIM_VARIABLES ON)
# The source package (cpack --config CPackSourceConfig.cmake) leaves out git data, build
# trees and scratch corpora.
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build[^/]*/" "/out/" "/fuzz/corpus-work/" "/bench/corpus/"
                              "/bench/results/")
include(CPack)
