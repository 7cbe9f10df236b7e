# Where `cmake --install` puts the programs and their documents (the GNU install directories),
# and the packages CPack makes of them: a Debian package on POSIX, a zip on Windows.
# Debian looks for the documents under the package's name, not the project's. A Windows user
# gets one folder: the programs, the help file, the licence and a short README.txt side by side.
if(WIN32)
  set(CMAKE_INSTALL_BINDIR .)
  set(CMAKE_INSTALL_DOCDIR .)
else()
  set(CMAKE_INSTALL_DOCDIR share/doc/partwell)
endif()
include(GNUInstallDirs)

install(TARGETS partwell PartwellLite RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(WIN32)
  install(TARGETS partwell_window RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# The help file goes beside Partwell.exe, where its Help button looks for it.
if(TARGET partwell_help)
  get_target_property(help_file partwell_help PARTWELL_HELP_FILE)
  install(FILES ${help_file} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(WIN32)
  install(FILES res/windows/README.txt LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
else()
  install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

if(NOT WIN32)
  # Debian wants compressed manual pages, with no time stamp inside, so that builds repeat.
  find_program(GZIP_PROGRAM gzip REQUIRED)
  set(manual_pages)
  foreach(page partwell.1 PartwellLite.1)
    set(compressed ${CMAKE_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${compressed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${GZIP_PROGRAM} -9 -n -c ${CMAKE_SOURCE_DIR}/res/man/${page} > ${compressed}
      DEPENDS ${CMAKE_SOURCE_DIR}/res/man/${page} VERBATIM)
    list(APPEND manual_pages ${compressed})
  endforeach()
  add_custom_target(manual_pages ALL DEPENDS ${manual_pages})
  install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES res/completion/partwell.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          RENAME partwell)
  install(FILES res/completion/partwell.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          RENAME PartwellLite)
  # Debian's own form of the licence and change log, which lintian looks for.
  configure_file(res/debian/copyright ${CMAKE_BINARY_DIR}/debian/copyright COPYONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
    COMMAND ${GZIP_PROGRAM} -9 -n -c ${CMAKE_SOURCE_DIR}/res/debian/changelog > ${CMAKE_BINARY_DIR}/debian/changelog.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/res/debian/changelog VERBATIM)
  add_custom_target(debian_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/debian/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # PartwellLite is static on purpose: it travels inside self-extracting packages.
  install(FILES res/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
          RENAME partwell)
endif()

set(CPACK_PACKAGE_NAME partwell)
set(CPACK_PACKAGE_VENDOR "Velmont Computing")
set(CPACK_PACKAGE_CONTACT "Velmont Computing <partwell@velmont.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "split large files into packages and merge them back")
set(CPACK_PACKAGE_DESCRIPTION
    "Partwell divides a large file (up to 1 TiB) into a package of pieces that\n\
fit mail, uploads or small removable media, merges the package back into the\n\
original file checking every byte with its own checksums, and verifies a\n\
package without writing anything. A package can carry its own merge program\n\
(a self-extracting master), so the receiver needs nothing installed.\n\
.\n\
This package holds partwell (split, merge, verify, stored settings) and\n\
PartwellLite (merge and verify only, the program inside self-extracting\n\
masters).")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Partwell-${PROJECT_VERSION}-windows-x86_64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://partwell.velmont.example/")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()
include(CPack)
