# The Ogg player window (offscreen) over SDL's disk driver.
dw_add_test(ogg_player_tests GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/OggPlayerTest.cpp
    LIBS dw_vorbis_ui dw_sound_testsupport dw_vorbis_testsupport)
