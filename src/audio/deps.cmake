# Compressed WAV files (MPEG audio inside RIFF) are decoded with libmpg123.
target_link_libraries(dw_audio PUBLIC PkgConfig::MPG123)
# The tagged file sources carry the tag containers of src/tags.
target_link_libraries(dw_audio PUBLIC dw_tags)
