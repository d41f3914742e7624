# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in the build folder makes
# ocellus_<version>-<revision>_<arch>.deb.
# It installs under CMAKE_INSTALL_PREFIX, the prefix the program was built for, so that
# the data folder compiled into it is where its files are: configure with
# -DCMAKE_INSTALL_PREFIX=/usr for a package (scripts/package.sh does).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ocellus)
set(CPACK_PACKAGE_VENDOR "${OCELLUS_COMPANY_NAME}")
set(CPACK_PACKAGE_CONTACT "${OCELLUS_COMPANY_NAME} <packages@ocellus.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://${OCELLUS_WEBSITE}/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "watch network cameras that publish a still picture")
# The extended description, as lines of the control file.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Ocellus watches network cameras that publish a still picture at an HTTP or"
    "HTTPS address. Up to 24 cameras run side by side, each refreshing on its own"
    "interval."
    ""
    "A changed picture is recognised from the server's Last-Modified header and"
    "can be saved as a JPEG file automatically or on demand. One camera at a time"
    "can be viewed large, with a zoom from 1 to 5 times, or full screen.")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The first packaging of this version; the Debian changelog names the same revision.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts (standard buttons, context menus) in the program's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
