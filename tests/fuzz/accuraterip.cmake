# AccurateRip database files as a server sends them.
dw_add_fuzzer(accuraterip_answer SOURCES AccurateRipFuzz.cpp LIBS dw_accuraterip)
