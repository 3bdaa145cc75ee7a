# The encoder wrappers with the real lame and wm8eutil, their output parsers on recorded lame
# transcripts, the wm8eutil utility through ffprobe, and the encoder subcommands of the CLI.
dw_add_test(jobs_tests
    SOURCES EncoderParsersTest.cpp EncoderCommandLineTest.cpp Mp3EncodeProcessTest.cpp WmaEncodeProcessTest.cpp
            JobEvents.h
    LIBS dw_jobs)
target_compile_definitions(jobs_tests PRIVATE DW_JOBS_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data")
add_dependencies(jobs_tests wm8eutil)

dw_add_test(wm8eutil_tests SOURCES WmaUtilityTest.cpp LIBS dw_jobs)
add_dependencies(wm8eutil_tests wm8eutil)

dw_add_test(encoder_cli_tests SOURCES EncoderCommandsTest.cpp LIBS dw_jobs)
add_dependencies(encoder_cli_tests discwright-cli wm8eutil)
