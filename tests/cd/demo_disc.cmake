# The demo disc written without outside tools, read by discwright-cli as a program.
dw_add_test(demo_disc_tests SOURCES DemoDiscTest.cpp LIBS dw_cd)
add_dependencies(demo_disc_tests discwright-cli)
