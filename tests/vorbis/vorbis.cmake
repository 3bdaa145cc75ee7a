# The Ogg Vorbis components against the reference tools (oggenc, oggdec, vorbiscomment, ogginfo).
add_library(dw_vorbis_testsupport STATIC
    ${CMAKE_CURRENT_LIST_DIR}/VorbisTestSupport.cpp ${CMAKE_CURRENT_LIST_DIR}/VorbisTestSupport.h)
target_link_libraries(dw_vorbis_testsupport PUBLIC dw_testsupport dw_audio)
dw_add_test(vorbis_tests SOURCES VorbisInTest.cpp VorbisOutTest.cpp LIBS dw_vorbis dw_vorbis_testsupport)

# The Ogg subcommands of discwright-cli, run as a program.
dw_add_test(ogg_cli_tests SOURCES OggCliTest.cpp LIBS dw_vorbis_testsupport)
add_dependencies(ogg_cli_tests discwright-cli)
