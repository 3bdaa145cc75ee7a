# The CD drive library, the disc key and the extraction thread on disc images.
dw_add_test(cd_tests
    SOURCES DriveLibraryTest.cpp DiscKeyTest.cpp RipThreadTest.cpp
    LIBS dw_cd dw_fixtures)

# The CD subcommands of discwright-cli, run as a program.
dw_add_test(cd_cli_tests SOURCES CdCliTest.cpp LIBS dw_cd dw_fixtures)
add_dependencies(cd_cli_tests discwright-cli)

# The CD input component and the CR_* layer, ripping disc images into the WAV writer.
dw_add_test(cdin_tests SOURCES CDInTest.cpp LIBS dw_cd dw_fixtures)

# discwright-cli toc --paranoia against toc, run as a program.
dw_add_test(cdin_cli_tests SOURCES ParanoiaCliTest.cpp LIBS dw_fixtures)
add_dependencies(cdin_cli_tests discwright-cli)

# Disc images as people keep them: cdrdao .toc files (against cdrdao and toc2cue), cue sheets
# with a file per track (WAV, FLAC, .bin) against the single .bin of the same disc.
dw_add_test(disc_image_tests SOURCES DiscImageFormatsTest.cpp LIBS dw_cd dw_fixtures)

# ReplayGain measured while reading, against loudgain.
dw_add_test(loudness_tests SOURCES LoudnessTest.cpp LIBS dw_cd)
