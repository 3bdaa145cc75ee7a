// The WAV to WAV dialog driven through its buttons, with the file dialogs answered by the test
// and every message box by a scripted prompter.
#include "audio/NewResampleWavForm.h"
#include "audio/WaveIn.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

class ResampleDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetPrompter(&Prompts);
        Input = Dir.filePath("in.wav");
        Pcm = MakePcm16(44100, 2, 7);
        ASSERT_TRUE(WriteFile(Input, MakeWav(Pcm, 2, 44100, 16)));
    }
    void TearDown() override { SetPrompter(nullptr); }

    // Chooses the files through the two buttons as a user would.
    void Choose(TfrmResample& dialog, const QString& input, const QString& output) {
        dialog.RunOpenDialog = [input] { return input; };
        dialog.RunSaveDialog = [output] { return output; };
        dialog.Button1->click();
        dialog.Button2->click();
    }
    // Clicks Convert and waits for the done event.
    void Convert(TfrmResample& dialog) {
        dialog.Button3->click();
        ASSERT_TRUE(WaitUntil([&] { return dialog.Button3->isEnabled(); }));
    }

    QTemporaryDir Dir;
    TScriptedPrompter Prompts;
    QString Input;
    QByteArray Pcm;
};

TEST_F(ResampleDialogTest, PassThroughWritesTheSameFileAndDefaultsMakeMono8BitAt22050) {
    TfrmResample dialog;
    const QString same = Dir.filePath("same.wav");
    Choose(dialog, Input, same);
    EXPECT_EQ(dialog.Label5->text(), "in.wav");
    EXPECT_EQ(dialog.Label6->text(), "2");
    EXPECT_EQ(dialog.Label7->text(), "44100");
    EXPECT_EQ(dialog.Label8->text(), "16");
    EXPECT_EQ(dialog.Label15->text(), "Raw PCM");
    EXPECT_EQ(dialog.Label10->text(), "same.wav");
    dialog.SpinEdit1->setValue(2);
    dialog.Edit1->setText("44100");
    dialog.SpinEdit3->setValue(16);
    Convert(dialog);
    EXPECT_EQ(dialog.StatusPanel->text(), "Success!");
    EXPECT_EQ(dialog.ProgressBar1->value(), 100);
    EXPECT_EQ(ReadFile(same), ReadFile(Input));

    // The window's starting values: 1 channel, 22050 Hz, 8 bits, RAW PCM.
    TfrmResample second;
    const QString small = Dir.filePath("small.wav");
    Choose(second, Input, small);
    Convert(second);
    EXPECT_EQ(second.StatusPanel->text(), "Success!");
    const QByteArray out = ReadFile(small);
    ASSERT_GE(out.size(), 44);
    const auto* h = reinterpret_cast<const uchar*>(out.constData());
    EXPECT_EQ(qFromLittleEndian<uint16_t>(h + 20), 1);     // PCM
    EXPECT_EQ(qFromLittleEndian<uint16_t>(h + 22), 1);     // mono
    EXPECT_EQ(qFromLittleEndian<uint32_t>(h + 24), 22050); // rate
    EXPECT_EQ(qFromLittleEndian<uint16_t>(h + 34), 8);     // bits
    EXPECT_EQ(qFromLittleEndian<uint32_t>(h + 40), uint32_t(out.size() - 44));
    EXPECT_EQ(out.size() - 44, 22050);
    EXPECT_TRUE(Prompts.Shown().isEmpty());
}

TEST_F(ResampleDialogTest, AFlacInputConvertsAsItsWavWould) {
    const QString flac = FindTool("flac");
    if (flac.isEmpty())
        GTEST_SKIP() << "flac is not installed";
    const QString input = Dir.filePath("in.flac");
    ASSERT_EQ(RunProgram(flac, {"-s", "-f", "-o", input, Input}).ExitCode, 0);
    // Passed through, then to the window's default format, from the FLAC file and from the WAV.
    for (const bool passThrough : {true, false}) {
        QByteArray outputs[2];
        for (int k = 0; k < 2; ++k) {
            TfrmResample dialog;
            const QString out = Dir.filePath(QStringLiteral("out%1%2.wav").arg(k).arg(passThrough));
            Choose(dialog, k == 0 ? input : Input, out);
            if (k == 0) {
                EXPECT_EQ(dialog.Label5->text(), "in.flac");
                EXPECT_EQ(dialog.Label6->text(), "2");
                EXPECT_EQ(dialog.Label8->text(), "16");
                EXPECT_EQ(dialog.Label15->text(), "FLAC");
            }
            if (passThrough) {
                dialog.SpinEdit1->setValue(2);
                dialog.Edit1->setText("44100");
                dialog.SpinEdit3->setValue(16);
            }
            Convert(dialog);
            EXPECT_EQ(dialog.StatusPanel->text(), "Success!");
            outputs[k] = ReadFile(out);
        }
        EXPECT_TRUE(outputs[0] == outputs[1]) << passThrough;
        if (passThrough) {
            EXPECT_TRUE(outputs[0] == ReadFile(Input));
        }
    }
    // The reader knows the FLAC file for what it is and its length.
    TWaveIn in;
    in.SetFileName(input);
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.WavType(), wtFlac);
    EXPECT_EQ(in.GetTotalSamples(), 44100);
}

TEST_F(ResampleDialogTest, OutputChoiceAndConvertChecks) {
    TfrmResample dialog;
    // No output yet: the standard error box, nothing runs.
    dialog.RunOpenDialog = [&] { return Input; };
    dialog.Button1->click();
    dialog.Button3->click();
    ASSERT_EQ(Prompts.Shown().size(), 1);
    EXPECT_EQ(Prompts.Shown()[0], "The output file name is not set!");
    EXPECT_TRUE(dialog.Button3->isEnabled());

    // The output is always WAV: another extension gets ".wav" added; upper-case ".WAV" is kept.
    dialog.RunSaveDialog = [&] { return Dir.filePath("out.wma"); };
    dialog.Button2->click();
    EXPECT_EQ(dialog.Label10->text(), "out.wma.wav");
    dialog.RunSaveDialog = [&] { return Dir.filePath("OUT.WAV"); };
    dialog.Button2->click();
    EXPECT_EQ(dialog.Label10->text(), "OUT.WAV");

    // A rate that is not a number is refused with the conversion error.
    dialog.Edit1->setText("fast");
    dialog.Button3->click();
    ASSERT_EQ(Prompts.Shown().size(), 2);
    EXPECT_EQ(Prompts.Shown()[1], "'fast' is not a valid integer value");

    // An input that is not a WAV file: Convert does nothing and keeps the file shown before.
    const QString junk = Dir.filePath("junk.wav");
    ASSERT_TRUE(WriteFile(junk, QByteArray(100, 'x')));
    dialog.RunOpenDialog = [&] { return junk; };
    dialog.Button1->click();
    EXPECT_EQ(dialog.Label5->text(), "in.wav");
    dialog.Edit1->setText("22050");
    dialog.Button3->click();
    EXPECT_TRUE(dialog.Button3->isEnabled());
    EXPECT_EQ(dialog.StatusPanel->text(), "");
    EXPECT_FALSE(QFileInfo::exists(Dir.filePath("OUT.WAV")));

    // The output may not be the input: that would destroy the input.
    dialog.RunOpenDialog = [&] { return Input; };
    dialog.Button1->click();
    dialog.RunSaveDialog = [&] { return Input; };
    dialog.Button2->click();
    dialog.Button3->click();
    ASSERT_EQ(Prompts.Shown().size(), 3);
    EXPECT_EQ(Prompts.Shown()[2], "The output file is the input file!");
    EXPECT_EQ(ReadFile(Input), MakeWav(Pcm, 2, 44100, 16));
}

TEST_F(ResampleDialogTest, ANameTypedWithoutWavGetsItAndTheNextRunAsksBeforeReplacingTheOutput) {
    TfrmResample dialog;
    Choose(dialog, Input, Dir.filePath("typed"));
    EXPECT_EQ(dialog.Label10->text(), "typed.wav");
    const QString out = Dir.filePath("typed.wav");
    Convert(dialog);
    EXPECT_EQ(dialog.StatusPanel->text(), "Success!");
    const QByteArray first = ReadFile(out);
    ASSERT_GT(first.size(), 44);
    EXPECT_TRUE(Prompts.Shown().isEmpty());

    // The output stays chosen: another run would write over the first one's file.
    dialog.Edit1->setText("11025");
    Prompts.Queue(TPromptAnswer::No);
    dialog.Button3->click();
    ASSERT_EQ(Prompts.Shown().size(), 1);
    EXPECT_EQ(Prompts.Shown()[0], out + " has existed,overite it?");
    EXPECT_TRUE(dialog.Button3->isEnabled());
    EXPECT_EQ(ReadFile(out), first);

    Prompts.Queue(TPromptAnswer::Yes);
    Convert(dialog);
    EXPECT_EQ(dialog.StatusPanel->text(), "Success!");
    EXPECT_EQ(ReadFile(out).size(), 44 + 11025);
}

TEST_F(ResampleDialogTest, RefusedRunsShowInTheStatusPanelAndTheNextRunWorks) {
    TfrmResample dialog;
    const QString out = Dir.filePath("adpcm.wav");
    Choose(dialog, Input, out);
    // A typed-in rate far beyond any sound format.
    dialog.Edit1->setText("2000000000");
    Convert(dialog);
    EXPECT_EQ(dialog.StatusPanel->text(), "Unsupported sample rate");
    EXPECT_FALSE(QFileInfo::exists(out));
    dialog.Edit1->setText("22050");

    dialog.ComboBox1->setCurrentIndex(1);
    Convert(dialog);
    EXPECT_EQ(dialog.StatusPanel->text(), "Cannot encode 8 bit sound into ADPCM.");
    EXPECT_FALSE(QFileInfo::exists(out));

    // With 16 bits the same choice writes IMA ADPCM.
    dialog.SpinEdit3->setValue(16);
    Convert(dialog);
    EXPECT_EQ(dialog.StatusPanel->text(), "Success!");
    TWaveIn check;
    check.SetFileName(out);
    EXPECT_EQ(check.WavType(), wtDVIADPCM);
}

TEST_F(ResampleDialogTest, AbortAndCloseWhileConverting) {
    // Long enough that the run is still going when the buttons are clicked.
    const QString longInput = Dir.filePath("long.wav");
    ASSERT_TRUE(WriteFile(longInput, MakeWav(MakePcm16(44100 * 30, 2, 3), 2, 44100, 16)));
    {
        TfrmResample dialog;
        Choose(dialog, longInput, Dir.filePath("aborted.wav"));
        dialog.Button3->click();
        EXPECT_FALSE(dialog.Button3->isEnabled());
        EXPECT_EQ(dialog.StatusPanel->text(), "Converting...");
        dialog.Button4->click();
        ASSERT_TRUE(WaitUntil([&] { return dialog.Button3->isEnabled(); }));
        EXPECT_EQ(dialog.StatusPanel->text(), "Aborted.");
        TWaveIn check;
        check.SetFileName(Dir.filePath("aborted.wav"));
        EXPECT_TRUE(check.Valid());
    }
    {
        TfrmResample dialog;
        Choose(dialog, longInput, Dir.filePath("closed.wav"));
        bool doneSeen = false;
        dialog.Button3->click();
        QObject::connect(&dialog.Controller, &TResampleWavController::Changed,
                         [&] { doneSeen = doneSeen || dialog.Controller.StatusText != "Converting..."; });
        dialog.Button5->click(); // returns only once the worker has stopped
        EXPECT_FALSE(dialog.Controller.WaveOut1->Busy.load());
        QCoreApplication::processEvents();
        EXPECT_FALSE(doneSeen);
    }
    EXPECT_TRUE(Prompts.Shown().isEmpty());
}

} // namespace
