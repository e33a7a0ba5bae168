# `make package`: a Debian package of both executables, built by CPack from
# what `make install` puts in place, into build/movrel_VERSION_ARCH.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME movrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "movrel maintainers <maintainers@users.noreply.c-seed-9abdf4b8.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read, export and recover Movrel! for PalmPilot notes")
set(CPACK_PACKAGE_DESCRIPTION
    "movrelview decrypts and prints the password-protected notes of a Movrel!
database, the private notes store of a PalmPilot application copied to a
desktop machine as a Palm database file. Its companion movrel lists the
categories, exports the notes to KeePass, Bitwarden, CSV, JSON and Markdown,
and recovers a forgotten password from a wordlist or a mask.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The executables are stripped in the package; the hardening flags are in the
# code itself and stay.
set(CPACK_STRIP_FILES ON)
# Folders 0755 and files 0644 or 0755 whatever the packager's umask.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
