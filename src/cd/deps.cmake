target_link_libraries(dw_cd PUBLIC PkgConfig::CDIO)
# The plain 44-byte WAV header is shared with the WAV writer.
target_link_libraries(dw_cd PUBLIC dw_audio)
