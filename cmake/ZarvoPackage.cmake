# A Debian package of the installed tree: cmake --build build && cpack --config build/CPackConfig.cmake
# (or `cpack -G DEB` inside the build folder). The version is the project's.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zarvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(ZARVO_PACKAGE_MAINTAINER "Zarvo developers <zarvo@localhost>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${ZARVO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "voice messages and faxes from the US Robotics Message Modem")
# The long description below the summary line; CPack indents it for the control file.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The Message Modem answers calls on its own while the computer is off and
stores voice messages and faxes in its memory. Zarvo (German user interface)
lists them, plays voice messages or saves them as WAV files, shows faxes or
saves them as TIFF files, sets the modem's self-mode options, keeps its clock
and erases its memory; with switches it saves every message unattended.

Also included: zarvo-convert, which converts saved messages offline, and
zarvo-emulator, an emulated modem on a pseudo-terminal.")
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# The libraries the programs link are found from the binaries; these are only loaded at run time: the
# X11/Wayland platform plugins, the SVG plugins that draw the compiled-in icons, Qt's German texts,
# and xdg-open for help pages and faxes.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, qt6-translations-l10n, xdg-utils")
# Playback of voice messages needs a sound server; everything else works without one.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
