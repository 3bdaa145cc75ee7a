# The library binding in a process of its own: its loaded flags are never reset.
dw_add_test(vorbis_binding_tests SOURCES VorbisLibraryTest.cpp LIBS dw_vorbis dw_vorbis_testsupport)
