# A Debian package of the installed tree: `cpack -G DEB` in a release build
# configured with CMAKE_INSTALL_PREFIX=/usr gives murmurine_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME murmurine)
set(CPACK_PACKAGE_VENDOR "The Murmurine developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "flash chosen positive messages briefly on the desktop")
set(CPACK_PACKAGE_DESCRIPTION "Murmurine shows short messages on the desktop while you work: a line of text,
a picture, or one paragraph of a text file, above every window for 1 ms to
1 s every 2 to 60 s, in the font, colour and place you choose.
.
It comes as the Messenger murmurine, the Settings program murmurine-settings
that keeps the library of messages, and the Quick Stop button haltpad that
switches the messages off and on from the system tray or the task bar.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Murmurine developers <murmurine@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Pictures in SVG and opening the help page in a browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6svg6, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
