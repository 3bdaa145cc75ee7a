# Tags of MP3, Ogg Vorbis and FLAC files are read and written with TagLib.
pkg_check_modules(TAGLIB REQUIRED IMPORTED_TARGET taglib)
target_link_libraries(dw_tags PUBLIC PkgConfig::TAGLIB)
