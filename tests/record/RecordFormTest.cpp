// The recorder window under the offscreen platform: its buttons and menu follow the controller,
// its dialogs are answered by the test, and closing asks before a recording could be lost.
#include "record/RecordForm.h"
#include "core/Settings.h"
#include "platform/Prompter.h"
#include "record/NewRecordFileForm.h"
#include "record/RecordTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

TEST(RecordFormTest, NewRecordStopAndCloseThroughTheWindow) {
    TTempProgramFolder folder;
    TScriptedPrompter prompts;
    SetPrompter(&prompts);
    const QByteArray input = MakeTestPcm(8000, 1, 8000, 8, 3);
    ASSERT_TRUE(WriteFile(folder.File("in.raw"), input));
    const TDiskAudio audio(folder.File("in.raw"), folder.File("out.raw"));
    {
        TfrmRecord form;
        form.show();
        EXPECT_EQ(form.windowTitle(), "Record");
        for (QToolButton* b : form.Buttons) {
            if (b) {
                EXPECT_FALSE(b->isEnabled());
            }
        }
        EXPECT_FALSE(form.miSave->isEnabled());

        form.NewFileDialog = [](TRecordFormat& format) {
            TfrmNewRecordFile dialog;
            // The dialog's defaults: 44100 Hz, 16 bits, stereo; the test picks 8000/8/mono.
            EXPECT_EQ(dialog.Format().SampleRate, 44100);
            EXPECT_EQ(dialog.Format().BitsPerSample, 16);
            EXPECT_EQ(dialog.Format().Channels, 2);
            EXPECT_EQ(dialog.cbSampleRate->itemText(0), "  8000");
            dialog.cbSampleRate->setCurrentIndex(0);
            dialog.rb8bit->setChecked(true);
            dialog.rbMono->setChecked(true);
            format = dialog.Format();
            return true;
        };
        form.miNew->trigger();
        EXPECT_EQ(form.windowTitle(), "Record(NoName)");
        EXPECT_TRUE(form.Buttons[btRecord]->isEnabled());
        EXPECT_FALSE(form.Buttons[btPlay]->isEnabled());
        EXPECT_TRUE(form.miSave->isEnabled());

        form.Controller.RecordLimit = 1000;
        form.Buttons[btRecord]->click();
        EXPECT_EQ(form.lbState->text(), "Recording...");
        EXPECT_FALSE(form.miSaveAs->isEnabled());
        ASSERT_TRUE(WaitUntil([&] { return form.Controller.Device().Mode() != wmRecording; }));
        form.Buttons[btStop]->click();
        EXPECT_EQ(form.lbState->text(), "Record over!");
        EXPECT_EQ(form.lbLength->text(), "1 Sec");
        EXPECT_EQ(form.TrackBar1->value(), 400);
        EXPECT_EQ(ReadFile(form.Controller.UnnamedFile()), MakeWav(input, 1, 8000, 8));

        // Moving the slider shows the position.
        form.TrackBar1->setValue(200);
        EXPECT_EQ(form.lbPosition->text(), "0.5 Sec");

        // Closing with Cancel keeps the window; No lets it go.
        form.miSaveMp3->setChecked(true);
        prompts.Queue(TPromptAnswer::Cancel);
        form.miExit->trigger();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(prompts.Shown().last(), "NoName has been modified,Save it?");
        prompts.Queue(TPromptAnswer::No);
        form.close();
        EXPECT_FALSE(form.isVisible());
        EXPECT_TRUE(Settings.SaveMp3);
    }
    SetPrompter(nullptr);
}

} // namespace
