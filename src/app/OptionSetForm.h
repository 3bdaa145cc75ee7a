// TOptionSetForm: the options dialog ("&Options..." of the main window). A thin view over
// TOptionSet: every control carries its documented name (the language files address them by
// it), the enabled rules follow the controls as they change, and OK hands the controls' values
// to the controller.
//
// Use: TOptionSetForm dlg(host, mainWindow); dlg.exec();   (host: the main window's
// TOptionSetHost, or null without a main window)
#pragma once

#include "app/OptionSet.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QSlider;
class QTabWidget;
class TSpinEdit;

class TOptionSetForm : public QDialog {
    Q_OBJECT
public:
    explicit TOptionSetForm(TOptionSetHost* host, QWidget* parent = nullptr);

    TOptionSet& Options() { return Controller; }

    // Pages in tab order.
    enum TPage { pgOutput, pgMP3, pgOGG, pgWMA, pgID3, pgCDROM, pgFLAC };

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildOutputPage();
    QWidget* BuildMp3Page();
    QWidget* BuildOggPage();
    QWidget* BuildWmaPage();
    QWidget* BuildId3Page();
    QWidget* BuildCdRomPage();
    QWidget* BuildFlacPage();

    // Controls to values and back; UpdateEnables applies the enabled rules to the controls.
    TOptionValues ControlValues() const;
    void ShowValues(const TOptionValues& values);
    void ShowCDList(const TOptionValues& values);
    void UpdateEnables();

    void PageChanged(int page);
    void bBrowseClick();
    void bDefaultClick();
    void bWMADefaultClick();
    void bOKClick();

    TOptionSet Controller;
    QTabWidget* PageControl1;
    // Output
    QLineEdit* editOutputDir;
    QCheckBox* ckbKeepWav;
    QComboBox* cbOutputFormat;
    QCheckBox* ckNormalize;
    TSpinEdit* seNormalize;
    QGroupBox* gbRipTime;
    QCheckBox* cbRipTime;
    QLineEdit* eRipTime;
    QCheckBox* ckbSingleFile;
    // MP3
    QCheckBox* ckbSelectVBR;
    QCheckBox* ckbVBRHead;
    QComboBox* cbBitRate;
    QComboBox* cbMaxBitRate;
    QComboBox* cbVBRQuality;
    QComboBox* cbMpegQuality;
    QComboBox* cbStereoMode;
    // OGG
    QCheckBox* cbUseCompress;
    QSlider* tbCompression;
    QComboBox* cbOggNomBit;
    QComboBox* cbOggMaxBit;
    QComboBox* cbOggMinBit;
    // WMA
    QComboBox* cbWMABitrate;
    // ID3 Tag
    QCheckBox* cbUseID3;
    QLineEdit* ID3artist;
    QLineEdit* ID3album;
    QLineEdit* ID3year;
    QLineEdit* ID3comment;
    QComboBox* ID3genre;
    QComboBox* cbID3Version;
    QCheckBox* ckbReplayGain;
    QCheckBox* ckbCoverArt;
    // CD-ROM
    QComboBox* cbCDList;
    QCheckBox* ckbCDDb;
    QCheckBox* ckbParanoia;
    TSpinEdit* seReadOffset;
    QCheckBox* ckbTestAndCopy;
    QCheckBox* ckbAccurateRip;
    // FLAC
    QComboBox* cbFlacLevel;
    QCheckBox* ckbFlacVerify;
};
