# Compressed WAV files (MPEG audio inside RIFF) are decoded with libmpg123.
target_link_libraries(dw_audio PUBLIC PkgConfig::MPG123)
# The tagged file sources carry the tag containers of src/tags.
target_link_libraries(dw_audio PUBLIC dw_tags)
# FLAC files are encoded and decoded in-process with libFLAC.
pkg_check_modules(FLAC REQUIRED IMPORTED_TARGET flac)
target_link_libraries(dw_audio PUBLIC PkgConfig::FLAC)
# ReplayGain's loudness (EBU R128) is measured with libebur128.
pkg_check_modules(EBUR128 REQUIRED IMPORTED_TARGET libebur128)
target_link_libraries(dw_audio PUBLIC PkgConfig::EBUR128)
