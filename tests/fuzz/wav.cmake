# WAV files through the header scans and the reader; ADPCM blocks through the codecs.
dw_add_fuzzer(wav_header SOURCES WavHeaderFuzz.cpp LIBS dw_audio)
dw_add_fuzzer(adpcm_block SOURCES AdpcmBlockFuzz.cpp LIBS dw_audio)
