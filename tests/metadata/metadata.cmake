# Metadata of a disc: the MusicBrainz disc id (against libdiscid and its published tables of
# contents), CD-TEXT of cue sheets, MusicBrainz answers and lookups against a real HTTP server
# on 127.0.0.1, the lookup command and the release chooser.
find_package(Qt6 REQUIRED COMPONENTS Network)
pkg_check_modules(DISCID REQUIRED IMPORTED_TARGET libdiscid)
add_library(dw_metadata_testserver STATIC
    ${CMAKE_CURRENT_LIST_DIR}/MusicBrainzTestServer.cpp ${CMAKE_CURRENT_LIST_DIR}/MusicBrainzTestServer.h
)
target_link_libraries(dw_metadata_testserver PUBLIC dw_httptestserver)

dw_add_test(metadata_tests
    SOURCES DiscIdTest.cpp CdTextTest.cpp MusicBrainzTest.cpp
    LIBS dw_lookup dw_metadata dw_metadata_testserver dw_cddb_testserver dw_fixtures PkgConfig::DISCID)

# discwright-cli lookup, rip --pattern and tagged rips of a named disc (cover, ReplayGain), run as a
# program.
dw_add_test(metadata_cli_tests SOURCES LookupCliTest.cpp TaggedRipCliTest.cpp LIBS dw_metadata_testserver dw_fixtures PkgConfig::DISCID)
add_dependencies(metadata_cli_tests discwright-cli)

# The release chooser's window, on the offscreen platform.
dw_add_test(metadata_forms_tests GUI SOURCES ReleaseChooserTest.cpp LIBS dw_metadata_forms Qt6::Test)
