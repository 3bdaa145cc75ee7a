# The WAV to WAV dialog (TfrmResample) under the offscreen platform.
dw_add_test(resample_dialog_tests GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ResampleDialogTest.cpp
    LIBS dw_audio_ui)
