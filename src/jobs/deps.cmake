# Decoded output is checked with the WAV header scan of src/audio.
target_link_libraries(dw_jobs PUBLIC dw_audio)
