# `cpack -G DEB` in the build folder makes tovane_VERSION_ARCH.deb.
set(TOVANE_PACKAGE_MAINTAINER "Tovane developers <tovane@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME tovane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tovane")
set(CPACK_PACKAGE_CONTACT "${TOVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two-window file manager with folder comparison")
set(CPACK_PACKAGE_DESCRIPTION
    "Tovane shows two folders side by side, marks what differs between them\n\
(existence, date, size, attributes, letter case) and copies, moves or\n\
deletes on that basis without ever replacing a file by an incomplete copy.\n\
It also views texts, rich text, pictures and cab/lzh/zip archives, searches\n\
inside archives and renames with running numbers. Its interface is Japanese.\n\
The package holds the window program tovane and the command-line front end\n\
tovane-cli.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded as plug-ins, so dpkg-shlibdeps cannot see them: the SVG reader draws
# the window icon and the converted metafiles.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
# Programs started at run time (browser hand-off, metafile converters), the
# Japanese font and Qt texts, more picture formats, and icon themes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xdg-utils, libwmf-bin, emf2svg, fonts-noto-cjk, qt6-translations-l10n, \
qt6-image-formats-plugins, hicolor-icon-theme, adwaita-icon-theme | breeze-icon-theme")
# Used when present: another opener, the disk utility that formats a volume,
# and a terminal for programs that ask for one.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libglib2.0-bin, gnome-disk-utility, x-terminal-emulator")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
