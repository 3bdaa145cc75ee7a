# MusicBrainz answers (web service 2, JSON) as the disc lookup reads them.
dw_add_fuzzer(musicbrainz_answer SOURCES MusicBrainzAnswerFuzz.cpp LIBS dw_metadata)
