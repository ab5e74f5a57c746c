# `cpack -G DEB` in the build folder: a Debian package of what `cmake
# --install` puts under /usr. dpkg-shlibdeps works out the libraries the
# programs link (Qt 6 Widgets, libjpeg-turbo, lcms2, xcb); libswscale is opened on the
# first resample, Exempi on the first XMP packet, and jpegtran is run as a
# program, so their packages are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pixaldo)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Pixaldo authors")
set(CPACK_PACKAGE_CONTACT "The Pixaldo authors <pixaldo@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "JPEG photo viewer and metadata editor")
set(CPACK_PACKAGE_DESCRIPTION
    "Pixaldo shows the JPEG photos of a folder with their EXIF summary, edits their IPTC texts and comment, "
    "and rotates, flips and crops them losslessly. pixaldo-cli does the same from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
string(REGEX MATCH "^[0-9]+" swscale_major "${SWSCALE_libswscale_VERSION}")
string(REGEX REPLACE "^libexempi\\.so\\." "libexempi" exempi_package "${exempi_soname}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libjpeg-turbo-progs, libswscale${swscale_major}, ${exempi_package}")
set(CPACK_STRIP_FILES ON)
include(CPack)
