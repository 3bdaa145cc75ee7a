# The conversion job and the CD rip job with real parts (disc images, lame, wm8eutil, the Vorbis
# writer), their windows under the offscreen platform, and the rip and convert subcommands.
dw_add_test(rip_job_tests SOURCES RipJobTest.cpp LIBS dw_jobs dw_fixtures)
add_dependencies(rip_job_tests wm8eutil)

dw_add_test(rip_form_tests GUI SOURCES RipFormTest.cpp LIBS dw_jobs_ui dw_fixtures Qt6::Test)

dw_add_test(rip_cli_tests SOURCES RipCliTest.cpp LIBS dw_fixtures)
add_dependencies(rip_cli_tests discwright-cli wm8eutil)

dw_add_test(cdrip_job_tests GUI SOURCES CDRipJobTest.cpp LIBS dw_jobs_ui dw_fixtures Qt6::Test)

# rip --single-file: the disc into one WAV file and a cue sheet, opened again as an image.
dw_add_test(image_rip_tests SOURCES ImageRipTest.cpp LIBS dw_jobs dw_fixtures)
add_dependencies(image_rip_tests discwright-cli)

# Reading on while earlier tracks are encoded.
dw_add_test(pipeline_tests GUI SOURCES PipelineTest.cpp LIBS dw_jobs dw_fixtures)

# rip --resume after a rip killed half-way, a changed file, one track picked again.
dw_add_test(resume_cli_tests SOURCES ResumeCliTest.cpp LIBS dw_fixtures)
add_dependencies(resume_cli_tests discwright-cli)
# encode flac, decode flac, convert wav2flac|flac2wav and tag show, run as a program.
dw_add_test(flac_cli_tests SOURCES FlacCliTest.cpp LIBS dw_core)
add_dependencies(flac_cli_tests discwright-cli)
