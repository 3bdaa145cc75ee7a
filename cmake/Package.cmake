# The Debian package (scripts/package runs CPack): the installed layout under /usr, stripped,
# with the libraries it links found by dpkg-shlibdeps and what it runs or loads at run time
# declared by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME discwright)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Discwright developers")
set(CPACK_PACKAGE_CONTACT "The Discwright developers <support@discwright.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://discwright.org/")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "CD ripper and audio converter
Discwright shows the tracks of an audio CD, names them by hand or from a
CDDB server, and extracts them to MP3, Ogg Vorbis, WMA or WAV files with
tags. It converts sound files between these formats, records from the
sound card, plays CD tracks and Ogg Vorbis files, edits ID3 tags and opens
disc images like a CD. Its window speaks 21 languages; discwright-cli runs
the same engine from the command line.")
# The libraries linked are found by dpkg-shlibdeps. lame is run as a child process, the Vorbis
# libraries are loaded at run time and Qt finds its platform plugins and fonts at run time:
# those are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "lame, libogg0, libvorbis0a, libvorbisenc2, libvorbisfile3, qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-droid-fallback, qt6-wayland, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pavucontrol")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
