# AccurateRip: checksums, disc ids, the database file and its server, read-offset plans.
dw_add_test(accuraterip_tests SOURCES AccurateRipTest.cpp LIBS dw_accuraterip dw_httptestserver)

# Secure rips, verify, ar and offset find with discwright-cli, run as a program.
dw_add_test(accuraterip_cli_tests SOURCES SecureRipCliTest.cpp LIBS dw_cd dw_fixtures dw_httptestserver)
add_dependencies(accuraterip_cli_tests discwright-cli)
