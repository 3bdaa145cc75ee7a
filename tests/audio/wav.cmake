# WAV reader and writer, ADPCM codecs, sample converters and the resampler.
dw_add_test(wav_audio_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/AdpcmCodecTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/WavHeaderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ConverterSampleTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ResamplerEngineTest.cpp
    LIBS dw_audio)
