# WAV reader and writer, ADPCM codecs, sample converters and the resampler.
dw_add_test(wav_audio_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/AdpcmCodecTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/WavHeaderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ConverterSampleTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ResamplerEngineTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/WavReaderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/WavWriterTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ConverterChainTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/GainPassTest.cpp
    LIBS dw_audio)

# discwright-cli wav info|convert as a black box.
dw_add_test(wav_cli_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/WavCliTest.cpp LIBS dw_audio)
add_dependencies(wav_cli_test discwright-cli)

# FLAC encoding and decoding against the flac tool.
dw_add_test(flac_codec_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/FlacCodecTest.cpp LIBS dw_audio)
