target_link_libraries(dw_cd PUBLIC PkgConfig::CDIO)
# The plain 44-byte WAV header is shared with the WAV writer.
target_link_libraries(dw_cd PUBLIC dw_audio)
# The CRC32 of the audio read is zlib's.
pkg_check_modules(ZLIB REQUIRED IMPORTED_TARGET zlib)
target_link_libraries(dw_cd PUBLIC PkgConfig::ZLIB)
# FLAC files named by cue sheets are decoded with libFLAC.
pkg_check_modules(FLAC REQUIRED IMPORTED_TARGET flac)
target_link_libraries(dw_cd PUBLIC PkgConfig::FLAC)
