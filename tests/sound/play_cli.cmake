# discwright-cli play, run as a program over SDL's disk driver.
dw_add_test(play_cli_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PlayCliTest.cpp
    LIBS dw_sound_testsupport dw_vorbis_testsupport dw_fixtures)
add_dependencies(play_cli_tests discwright-cli)
