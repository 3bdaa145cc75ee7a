# Playback through SDL2's "disk" audio driver: the sound device, the playback sink in chains
# with the Ogg Vorbis decoder, the CD track player on disc images.
add_library(dw_sound_testsupport STATIC
    ${CMAKE_CURRENT_LIST_DIR}/SoundTestSupport.cpp ${CMAKE_CURRENT_LIST_DIR}/SoundTestSupport.h)
target_link_libraries(dw_sound_testsupport PUBLIC dw_testsupport)

dw_add_test(sound_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/SoundDeviceTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/DXAudioOutTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/CdAudioPlayerTest.cpp
    LIBS dw_sound_testsupport dw_vorbis_testsupport dw_vorbis dw_cd dw_fixtures dw_audio Qt6::Test)
