# CDDB answers from a server: query answers with their match lines, and read answers (xmcd
# entries) as the disc record and the query dialog read them.
dw_add_fuzzer(cddb_query_answer SOURCES CddbQueryAnswerFuzz.cpp LIBS dw_cddb)
dw_add_fuzzer(cddb_record SOURCES CddbRecordFuzz.cpp LIBS dw_cddb)
