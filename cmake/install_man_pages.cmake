# Install-time half of the manual pages (see install.cmake): fills in each page
# for the prefix this install really uses, in the staging folder, compresses it
# when gzip was found and installs it into its section's folder. Expects
# man_pages, PROJECT_VERSION, gzip, staging and the bindir, datadir, docdir and
# mandir.
foreach(dir IN ITEMS bindir datadir docdir mandir)
  string(TOUPPER ${dir} upper)
  if(IS_ABSOLUTE "${${dir}}")
    set(CMAKE_INSTALL_FULL_${upper} "${${dir}}")
  else()
    set(CMAKE_INSTALL_FULL_${upper} "${CMAKE_INSTALL_PREFIX}/${${dir}}")
  endif()
endforeach()

# One staging folder per destination, so that two installs can run at once.
string(MD5 destination "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
string(APPEND staging "/${destination}")
foreach(page IN LISTS man_pages)
  get_filename_component(name "${page}" NAME)
  string(REGEX REPLACE ".*\\." "" section "${name}")
  set(filled "${staging}/${name}")
  configure_file("${page}" "${filled}" @ONLY)
  if(gzip)
    execute_process(COMMAND "${gzip}" -9nf "${filled}" RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "gzip could not compress ${filled}")
    endif()
    string(APPEND filled .gz)
  endif()
  file(INSTALL "${filled}" DESTINATION "${CMAKE_INSTALL_FULL_MANDIR}/man${section}"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endforeach()
