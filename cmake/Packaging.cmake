# A Debian package of everything `cmake --install` puts in place, installed
# under /usr: `cpack -G DEB` in the build folder writes
# kestrel-archive_<version>_<arch>.deb.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel-archive)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kestrel Archive")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "extract zip, 7z and RAR archives; create zip and 7z archives")
# Lines of at most 80 columns, as dpkg shows them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Kestrel Archive is a desktop archive utility. Drop files into its window\n"
    "and either extract a zip, 7z or RAR archive into a new folder that never\n"
    "clashes with an existing one, or pack files and folders into a new zip or\n"
    "7z archive.\n"
    "\n"
    "Extract Here and Compress actions come with it for the context menus of\n"
    "Dolphin, GNOME Files (with python3-nautilus), Nemo and Thunar (with\n"
    "thunar-archive-plugin). The command line works without a display.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(KESTREL_PACKAGE_MAINTAINER "Kestrel Archive developers <packages@kestrel-archive.invalid>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KESTREL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the executable links come from dpkg-shlibdeps; these are what
# it runs or loads without linking: 7-Zip and unar as child processes, Qt's
# platform plugins to open a window.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "7zip, unar, qt6-qpa-plugins")
# The file-manager actions for GNOME Files and Thunar need their plugin hosts.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-nautilus, thunar-archive-plugin")

include(CPack)
