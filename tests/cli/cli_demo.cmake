# scripts/cli-demo (what scripts/run shows without a display), run as a program.
dw_add_test(cli_demo_tests SOURCES CliDemoTest.cpp LIBS dw_cd)
add_dependencies(cli_demo_tests discwright-cli)
