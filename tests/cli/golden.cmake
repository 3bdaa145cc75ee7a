# discwright-cli's disc commands against the lines recorded in golden/ (see golden.sh).
add_test(NAME CliGoldenLines COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/golden.sh ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(CliGoldenLines PROPERTIES TIMEOUT 300)
