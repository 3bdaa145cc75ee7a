# The CD drive library, the disc key and the extraction thread on disc images.
dw_add_test(cd_tests
    SOURCES DriveLibraryTest.cpp DiscKeyTest.cpp RipThreadTest.cpp
    LIBS dw_cd dw_fixtures)

# The CD subcommands of discwright-cli, run as a program.
dw_add_test(cd_cli_tests SOURCES CdCliTest.cpp LIBS dw_cd dw_fixtures)
add_dependencies(cd_cli_tests discwright-cli)
