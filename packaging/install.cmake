# What `make install` and the Debian package put in place beside the two
# executables: the man pages, gzipped as Debian ships them (-9, and -n so that
# no time stamp makes two builds differ), and the shell completions.
find_program(GZIP gzip REQUIRED)
set(man_pages movrelview.1 movrel.1)
set(gzipped_man_pages "")
foreach(page ${man_pages})
  set(gzipped ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${gzipped}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
                     COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/docs/${page} > ${gzipped}
                     DEPENDS ${PROJECT_SOURCE_DIR}/docs/${page} VERBATIM)
  list(APPEND gzipped_man_pages ${gzipped})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${gzipped_man_pages})
install(FILES ${gzipped_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# bash loads a command's completion on first use from this folder; Debian's
# zsh looks in vendor-completions.
install(FILES completion/movrel.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME movrel)
install(FILES completion/movrelview.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME movrelview)
install(FILES completion/_movrel completion/_movrelview
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)

# The package's documentation folder: the copyright and the changelog
# (gzipped, as for the man pages).
set(gzipped_changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${gzipped_changelog}
                   COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog > ${gzipped_changelog}
                   DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog VERBATIM)
add_custom_target(changelog ALL DEPENDS ${gzipped_changelog})
install(FILES packaging/copyright ${gzipped_changelog} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/movrel)
