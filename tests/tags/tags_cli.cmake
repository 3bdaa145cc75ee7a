# The tag subcommands of discwright-cli, run as a program.
dw_add_test(tag_cli_tests SOURCES TagCliTest.cpp LIBS dw_tags)
add_dependencies(tag_cli_tests discwright-cli)
