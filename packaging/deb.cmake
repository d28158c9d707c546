# The Debian package, made by CPack's DEB generator from the install rules.
# Run through scripts/package.sh, which builds only what the package holds.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keyvale)
set(CPACK_PACKAGE_VERSION ${KEYVALE_PACKAGE_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "${KEYVALE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "password manager for enciphered databases of logins and notes")
# CPack puts the summary first and indents these lines as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Keyvale keeps logins, passwords, e-mail addresses, URLs and notes in a tree
of folders and records inside database files (*.kvdb), each enciphered
under its own main password, which is stored nowhere.

The window (keyvale) opens, creates and edits databases, copies passwords
to the clipboard for a few seconds only, and locks the database after a
while of idleness. keyvale-cli reads and changes the same databases from a
terminal or a script.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Directories as Debian makes them, whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
