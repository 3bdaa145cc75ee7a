// The options dialog (see OptionSetForm.h).
#include "app/OptionSetForm.h"

#include "core/Settings.h"
#include "tags/Genres.h"
#include "widgets/FlatButton.h"
#include "widgets/FlatEdit.h"
#include "widgets/Language.h"
#include "widgets/SpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

template <class T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* Label(const char* name, const QString& text, QWidget* buddy = nullptr) {
    auto* label = Named(new QLabel(text), name);
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

// A grid row: the control's label (named `name`, the control its buddy) and the control.
void AddLabelledRow(QGridLayout* grid, int row, const char* name, const QString& text, QWidget* control) {
    grid->addWidget(Label(name, text, control), row, 0);
    grid->addWidget(control, row, 1);
}

QCheckBox* CheckBox(const char* name, const QString& text) {
    return Named(new QCheckBox(text), name);
}

QComboBox* List(const char* name, const QStringList& items, bool editable = false) {
    auto* combo = Named(new QComboBox, name);
    combo->setEditable(editable);
    combo->addItems(items);
    return combo;
}

QLineEdit* Edit(const char* name, int maxLength = 32767) {
    auto* edit = Named(new TFlatEdit, name);
    edit->setMaxLength(maxLength);
    return edit;
}

QPushButton* Button(const char* name, const QString& text) {
    auto* button = Named(new TFlatButton(text), name);
    button->setAutoDefault(false);
    return button;
}

// A page whose controls sit at the top, as on a property sheet.
QWidget* Page(const char* name, QLayout* layout) {
    auto* page = Named(new QWidget, name);
    auto* outer = new QVBoxLayout(page);
    outer->addLayout(layout);
    outer->addStretch(1);
    return page;
}

} // namespace

TOptionSetForm::TOptionSetForm(TOptionSetHost* host, QWidget* parent) : QDialog(parent), Controller(host) {
    setObjectName(QStringLiteral("OptionSetForm"));
    setWindowTitle(QStringLiteral("Options"));

    PageControl1 = Named(new QTabWidget, "PageControl1");
    // Every page tab stays in sight: the dialog grows to fit them instead of scrolling them.
    PageControl1->setUsesScrollButtons(false);
    PageControl1->addTab(BuildOutputPage(), QStringLiteral("Output"));
    PageControl1->addTab(BuildMp3Page(), QStringLiteral("MP3"));
    PageControl1->addTab(BuildOggPage(), QStringLiteral("OGG"));
    PageControl1->addTab(BuildWmaPage(), QStringLiteral("WMA"));
    PageControl1->addTab(BuildId3Page(), QStringLiteral("ID3 Tag"));
    PageControl1->addTab(BuildCdRomPage(), QStringLiteral("CD-ROM"));
    // Last, so that the language files' page keys of the others keep their numbers.
    PageControl1->addTab(BuildFlacPage(), QStringLiteral("FLAC"));
    PageControl1->setCurrentIndex(pgOutput);

    QPushButton* bOK = Button("bOK", QStringLiteral("OK"));
    bOK->setDefault(true);
    QPushButton* bCancel = Button("bCancel", QStringLiteral("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bOK);
    buttons->addWidget(bCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);

    connect(PageControl1, &QTabWidget::currentChanged, this, &TOptionSetForm::PageChanged);
    connect(bOK, &QPushButton::clicked, this, &TOptionSetForm::bOKClick);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
    // The enabled rules follow every control they depend on.
    for (QCheckBox* box : {ckNormalize, cbRipTime, ckbSelectVBR})
        connect(box, &QCheckBox::toggled, this, &TOptionSetForm::UpdateEnables);
    connect(cbOutputFormat, &QComboBox::currentIndexChanged, this, &TOptionSetForm::UpdateEnables);
    UpdateEnables();
}

QWidget* TOptionSetForm::BuildOutputPage() {
    auto* gbOutputDir = Named(new QGroupBox(QStringLiteral("Output directory(WAV/MP3)")), "gbOutputDir");
    editOutputDir = Edit("editOutputDir");
    QPushButton* bBrowse = Button("bBrowse", QStringLiteral("..."));
    bBrowse->setFixedWidth(bBrowse->fontMetrics().horizontalAdvance(bBrowse->text()) + 32);
    auto* dirRow = new QHBoxLayout(gbOutputDir);
    dirRow->addWidget(editOutputDir, 1);
    dirRow->addWidget(bBrowse);
    connect(bBrowse, &QPushButton::clicked, this, &TOptionSetForm::bBrowseClick);

    ckbKeepWav = CheckBox("ckbKeepWav", QStringLiteral("Delete WAV file after processing"));

    auto* gbOutputFormat = Named(new QGroupBox(QStringLiteral("Output format")), "gbOutputFormat");
    cbOutputFormat = List("cbOutputFormat", OutputFormatItems());
    auto* formatRow = new QHBoxLayout(gbOutputFormat);
    formatRow->addWidget(Label("lFormat", QStringLiteral("Format："), cbOutputFormat));
    formatRow->addWidget(cbOutputFormat, 1);

    ckNormalize = CheckBox("ckNormalize", QStringLiteral("Normalize"));
    seNormalize = Named(new TSpinEdit, "seNormalize");
    seNormalize->setRange(0, 100);
    seNormalize->SetTypingEnabled(false);
    auto* normalizeRow = new QHBoxLayout;
    normalizeRow->addWidget(ckNormalize);
    normalizeRow->addWidget(seNormalize);
    normalizeRow->addWidget(Label("lPercent", QStringLiteral("%")));
    normalizeRow->addStretch(1);

    gbRipTime = Named(new QGroupBox, "gbRipTime");
    cbRipTime = CheckBox("cbRipTime", QStringLiteral("Enable to set the length to extract"));
    eRipTime = Edit("eRipTime", 9);
    eRipTime->setFixedWidth(eRipTime->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
    auto* ripRow = new QHBoxLayout;
    ripRow->addWidget(Label("lRipTime", QStringLiteral("The song length:"), eRipTime));
    ripRow->addWidget(eRipTime);
    ripRow->addWidget(Label("lSecond", QStringLiteral("Second")));
    ripRow->addStretch(1);
    auto* ripBox = new QVBoxLayout(gbRipTime);
    ripBox->addWidget(cbRipTime);
    ripBox->addLayout(ripRow);

    // The whole disc as one WAV or FLAC file and a cue sheet that opens as the same disc.
    ckbSingleFile = CheckBox("ckbSingleFile", QStringLiteral("Single file + cue sheet"));
    formatRow->addWidget(ckbSingleFile);

    auto* layout = new QVBoxLayout;
    layout->addWidget(gbOutputDir);
    layout->addWidget(ckbKeepWav);
    layout->addWidget(gbOutputFormat);
    layout->addLayout(normalizeRow);
    layout->addWidget(gbRipTime);
    return Page("tsOutput", layout);
}

QWidget* TOptionSetForm::BuildMp3Page() {
    ckbSelectVBR = CheckBox("ckbSelectVBR", QStringLiteral("Enable Variable Bitrate(VBR)"));
    ckbVBRHead = CheckBox("ckbVBRHead", QStringLiteral("Disable writing of the VBR Tag"));
    cbBitRate = List("cbBitRate", Mp3BitRateItems(), true);
    cbMaxBitRate = List("cbMaxBitRate", Mp3BitRateItems(), true);
    cbVBRQuality = List("cbVBRQuality", VBRQualityItems());
    cbMpegQuality = List("cbMpegQuality", MpegQualityItems());
    cbStereoMode = List("cbStereoMode", StereoModeItems());
    auto* grid = new QGridLayout;
    AddLabelledRow(grid, 0, "lMinBitRate", QStringLiteral("Minimum bitrate:"), cbBitRate);
    AddLabelledRow(grid, 1, "lMaxBitRate", QStringLiteral("Maximum bitrate:"), cbMaxBitRate);
    AddLabelledRow(grid, 2, "lVBRQuality", QStringLiteral("VBR Quality:"), cbVBRQuality);
    AddLabelledRow(grid, 3, "lMpegQuality", QStringLiteral("Speed/Quality:"), cbMpegQuality);
    AddLabelledRow(grid, 4, "lStereoMode", QStringLiteral("Mode:"), cbStereoMode);
    grid->setColumnStretch(1, 1);

    QPushButton* bDefault = Button("bDefault", QStringLiteral("&Default"));
    connect(bDefault, &QPushButton::clicked, this, &TOptionSetForm::bDefaultClick);
    auto* defaultRow = new QHBoxLayout;
    defaultRow->addStretch(1);
    defaultRow->addWidget(bDefault);

    auto* layout = new QVBoxLayout;
    layout->addWidget(ckbSelectVBR);
    layout->addWidget(ckbVBRHead);
    layout->addLayout(grid);
    layout->addLayout(defaultRow);
    return Page("tsMP3", layout);
}

QWidget* TOptionSetForm::BuildOggPage() {
    cbUseCompress = CheckBox("cbUseCompress", QStringLiteral("Use Quality setting"));
    tbCompression = Named(new QSlider(Qt::Horizontal), "tbCompression");
    tbCompression->setRange(30, 100);
    tbCompression->setTickPosition(QSlider::TicksBelow);
    tbCompression->setTickInterval(10);
    auto* qualityRow = new QHBoxLayout;
    qualityRow->addWidget(tbCompression, 1);
    qualityRow->addWidget(Label("lHighestQuality", QStringLiteral("-> Highest quality")));

    auto* gbBitrateManager = Named(new QGroupBox(QStringLiteral("Use Bitrate manager")), "gbBitrateManager");
    cbOggNomBit = List("cbOggNomBit", OggBitRateItems());
    cbOggMaxBit = List("cbOggMaxBit", OggBitRateItems());
    cbOggMinBit = List("cbOggMinBit", OggBitRateItems());
    auto* grid = new QGridLayout(gbBitrateManager);
    AddLabelledRow(grid, 0, "lOggNomBit", QStringLiteral("Nominal bitrate:"), cbOggNomBit);
    AddLabelledRow(grid, 1, "lOggMaxBit", QStringLiteral("Maximum bitrate:"), cbOggMaxBit);
    AddLabelledRow(grid, 2, "lOggMinBit", QStringLiteral("Minimum bitrate:"), cbOggMinBit);
    grid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout;
    layout->addWidget(cbUseCompress);
    layout->addLayout(qualityRow);
    layout->addWidget(gbBitrateManager);
    return Page("tsOGG", layout);
}

QWidget* TOptionSetForm::BuildWmaPage() {
    cbWMABitrate = List("cbWMABitrate", WmaBitRateItems());
    cbWMABitrate->setMaxVisibleItems(16);
    auto* row = new QHBoxLayout;
    row->addWidget(Label("lWMABitrate", QStringLiteral("Audio Bitrate:"), cbWMABitrate));
    row->addWidget(cbWMABitrate, 1);
    QPushButton* bWMADefault = Button("bWMADefault", QStringLiteral("&Default"));
    connect(bWMADefault, &QPushButton::clicked, this, &TOptionSetForm::bWMADefaultClick);
    auto* defaultRow = new QHBoxLayout;
    defaultRow->addStretch(1);
    defaultRow->addWidget(bWMADefault);
    auto* layout = new QVBoxLayout;
    layout->addLayout(row);
    layout->addLayout(defaultRow);
    return Page("tsWMA", layout);
}

QWidget* TOptionSetForm::BuildId3Page() {
    cbUseID3 = CheckBox("cbUseID3", QStringLiteral("Use ID3 tag"));
    ID3artist = Edit("ID3artist", 30);
    ID3album = Edit("ID3album", 30);
    ID3year = Edit("ID3year", 4);
    ID3comment = Edit("ID3comment", 30);
    ID3genre = List("ID3genre", GenreListItems());
    ID3genre->setMaxVisibleItems(16);
    auto* grid = new QGridLayout;
    AddLabelledRow(grid, 0, "lArtist", QStringLiteral("Artist:"), ID3artist);
    AddLabelledRow(grid, 1, "lAlbum", QStringLiteral("Album:"), ID3album);
    AddLabelledRow(grid, 2, "lYear", QStringLiteral("Year:"), ID3year);
    AddLabelledRow(grid, 3, "lComment", QStringLiteral("Comment:"), ID3comment);
    AddLabelledRow(grid, 4, "lGenre", QStringLiteral("Genre:"), ID3genre);
    // Which tags an MP3 gets: ID3v1.1 holds 30 Latin-1 characters a field, ID3v2.4 everything.
    cbID3Version = List("cbID3Version", Id3VersionItems());
    AddLabelledRow(grid, 5, "lID3Version", QStringLiteral("Tags in MP3 files:"), cbID3Version);
    grid->setColumnStretch(1, 1);
    ckbReplayGain = CheckBox("ckbReplayGain", QStringLiteral("Write ReplayGain (track and album gain)"));
    ckbCoverArt = CheckBox("ckbCoverArt", QStringLiteral("Embed the front cover (Cover Art Archive)"));
    auto* layout = new QVBoxLayout;
    layout->addWidget(cbUseID3);
    layout->addLayout(grid);
    layout->addWidget(ckbReplayGain);
    layout->addWidget(ckbCoverArt);
    return Page("tsID3", layout);
}

QWidget* TOptionSetForm::BuildCdRomPage() {
    cbCDList = List("cbCDList", {});
    auto* row = new QHBoxLayout;
    row->addWidget(Label("lDevice", QStringLiteral("Device："), cbCDList));
    row->addWidget(cbCDList, 1);
    ckbParanoia = CheckBox("ckbParanoia", QStringLiteral("Secure reading with jitter correction"));
    // The drive's read offset, as AccurateRip lists drives (discwright-cli offset find).
    seReadOffset = Named(new TSpinEdit, "seReadOffset");
    seReadOffset->setRange(-MaxReadOffset, MaxReadOffset);
    auto* offsetRow = new QHBoxLayout;
    offsetRow->addWidget(Label("lReadOffset", QStringLiteral("Read offset (samples):"), seReadOffset));
    offsetRow->addWidget(seReadOffset);
    offsetRow->addStretch(1);
    ckbTestAndCopy = CheckBox("ckbTestAndCopy", QStringLiteral("Test and copy (read every track twice)"));
    ckbAccurateRip = CheckBox("ckbAccurateRip", QStringLiteral("Check rips with AccurateRip"));
    // Kept for options.ini; the drive library answers CD DB queries from the main window.
    ckbCDDb = CheckBox("ckbCDDb", QStringLiteral("Get CD information from CD DB"));
    ckbCDDb->setVisible(false);
    auto* layout = new QVBoxLayout;
    layout->addLayout(row);
    layout->addWidget(ckbParanoia);
    layout->addLayout(offsetRow);
    layout->addWidget(ckbTestAndCopy);
    layout->addWidget(ckbAccurateRip);
    layout->addWidget(ckbCDDb);
    return Page("tsCDROM", layout);
}

QWidget* TOptionSetForm::BuildFlacPage() {
    cbFlacLevel = List("cbFlacLevel", FlacLevelItems());
    auto* row = new QHBoxLayout;
    row->addWidget(Label("lFlacLevel", QStringLiteral("Compression level (0 fastest, 8 smallest):"), cbFlacLevel));
    row->addWidget(cbFlacLevel);
    row->addStretch(1);
    ckbFlacVerify = CheckBox("ckbFlacVerify", QStringLiteral("Verify while encoding"));
    auto* layout = new QVBoxLayout;
    layout->addLayout(row);
    layout->addWidget(ckbFlacVerify);
    return Page("tsFLAC", layout);
}

TOptionValues TOptionSetForm::ControlValues() const {
    TOptionValues v;
    v.OutputDir = editOutputDir->text();
    v.KeepWavChecked = ckbKeepWav->isChecked();
    v.OutputFormat = cbOutputFormat->currentIndex();
    v.Normalize = ckNormalize->isChecked();
    v.NormalizePercent = seNormalize->value();
    v.RipTimeEnabled = cbRipTime->isChecked();
    v.RipTimeText = eRipTime->text();
    v.SingleFile = ckbSingleFile->isChecked();
    v.SelectVBR = ckbSelectVBR->isChecked();
    v.VBRHead = ckbVBRHead->isChecked();
    v.BitRateText = cbBitRate->currentText();
    v.MaxBitRateText = cbMaxBitRate->currentText();
    v.VBRQuality = cbVBRQuality->currentIndex();
    v.MpegQuality = cbMpegQuality->currentIndex();
    v.StereoMode = cbStereoMode->currentIndex();
    v.UseCompress = cbUseCompress->isChecked();
    v.CompressPosition = tbCompression->value();
    v.OggNomBit = cbOggNomBit->currentIndex();
    v.OggMaxBit = cbOggMaxBit->currentIndex();
    v.OggMinBit = cbOggMinBit->currentIndex();
    v.WMABitRate = cbWMABitrate->currentIndex();
    v.UseID3 = cbUseID3->isChecked();
    v.Artist = ID3artist->text();
    v.Album = ID3album->text();
    v.Year = ID3year->text();
    v.Comment = ID3comment->text();
    v.GenrePosition = ID3genre->currentIndex();
    v.Id3VersionIndex = cbID3Version->currentIndex();
    v.ReplayGain = ckbReplayGain->isChecked();
    v.CoverArt = ckbCoverArt->isChecked();
    v.FlacLevel = cbFlacLevel->currentIndex();
    v.FlacVerify = ckbFlacVerify->isChecked();
    for (int i = 0; i < cbCDList->count(); ++i)
        v.CDList << cbCDList->itemText(i);
    v.CDListIndex = cbCDList->currentIndex();
    v.CDDb = ckbCDDb->isChecked();
    v.Paranoia = ckbParanoia->isChecked();
    v.ReadOffset = seReadOffset->value();
    v.TestAndCopy = ckbTestAndCopy->isChecked();
    v.AccurateRip = ckbAccurateRip->isChecked();
    return v;
}

namespace {
// A stored index outside the list shows no selection.
void SetIndex(QComboBox* combo, int index) {
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}
} // namespace

void TOptionSetForm::ShowValues(const TOptionValues& v) {
    editOutputDir->setText(v.OutputDir);
    ckbKeepWav->setChecked(v.KeepWavChecked);
    SetIndex(cbOutputFormat, v.OutputFormat);
    ckNormalize->setChecked(v.Normalize);
    seNormalize->setValue(v.NormalizePercent);
    cbRipTime->setChecked(v.RipTimeEnabled);
    eRipTime->setText(v.RipTimeText);
    ckbSingleFile->setChecked(v.SingleFile);
    ckbSelectVBR->setChecked(v.SelectVBR);
    ckbVBRHead->setChecked(v.VBRHead);
    cbBitRate->setEditText(v.BitRateText);
    cbMaxBitRate->setEditText(v.MaxBitRateText);
    SetIndex(cbVBRQuality, v.VBRQuality);
    SetIndex(cbMpegQuality, v.MpegQuality);
    SetIndex(cbStereoMode, v.StereoMode);
    cbUseCompress->setChecked(v.UseCompress);
    tbCompression->setValue(v.CompressPosition);
    SetIndex(cbOggNomBit, v.OggNomBit);
    SetIndex(cbOggMaxBit, v.OggMaxBit);
    SetIndex(cbOggMinBit, v.OggMinBit);
    SetIndex(cbWMABitrate, v.WMABitRate);
    cbUseID3->setChecked(v.UseID3);
    ID3artist->setText(v.Artist);
    ID3album->setText(v.Album);
    ID3year->setText(v.Year);
    ID3comment->setText(v.Comment);
    SetIndex(ID3genre, v.GenrePosition);
    SetIndex(cbID3Version, v.Id3VersionIndex);
    ckbReplayGain->setChecked(v.ReplayGain);
    ckbCoverArt->setChecked(v.CoverArt);
    SetIndex(cbFlacLevel, v.FlacLevel);
    ckbFlacVerify->setChecked(v.FlacVerify);
    ShowCDList(v);
    ckbCDDb->setChecked(v.CDDb);
    ckbParanoia->setChecked(v.Paranoia);
    seReadOffset->setValue(v.ReadOffset);
    ckbTestAndCopy->setChecked(v.TestAndCopy);
    ckbAccurateRip->setChecked(v.AccurateRip);
    UpdateEnables();
}

void TOptionSetForm::ShowCDList(const TOptionValues& v) {
    cbCDList->clear();
    cbCDList->addItems(v.CDList);
    SetIndex(cbCDList, v.CDListIndex);
}

void TOptionSetForm::UpdateEnables() {
    const TOptionEnables e = OptionEnables(ControlValues());
    seNormalize->setEnabled(e.NormalizePercent);
    eRipTime->setEnabled(e.RipTime);
    ckbVBRHead->setEnabled(e.VBRHead);
    cbMaxBitRate->setEnabled(e.MaxBitRate);
    cbVBRQuality->setEnabled(e.VBRQuality);
    ckbKeepWav->setEnabled(e.KeepWav);
    ckbSingleFile->setEnabled(e.SingleFile);
}

void TOptionSetForm::showEvent(QShowEvent* event) {
    if (!IsEnglish(Settings.Lan))
        ApplyLanguage(this, Settings.Lan);
    Controller.Show();
    ShowValues(Controller.Values);
    gbRipTime->setVisible(Controller.RipTimeGroupVisible());
    if (PageControl1->currentIndex() == pgCDROM)
        PageChanged(pgCDROM);
    QDialog::showEvent(event);
}

void TOptionSetForm::PageChanged(int page) {
    if (page != pgCDROM)
        return;
    Controller.Values = ControlValues();
    Controller.FillCDList();
    ShowCDList(Controller.Values);
}

void TOptionSetForm::bBrowseClick() {
    Controller.Values = ControlValues();
    const QString folder = QFileDialog::getExistingDirectory(
        this,
        LoadResText(QStringLiteral("RES_Select_Directory"),
                    QStringLiteral("Please select the directory to save mp3 and wav file")),
        Controller.BrowseStartFolder(), QFileDialog::ShowDirsOnly);
    if (!folder.isEmpty())
        editOutputDir->setText(QDir::toNativeSeparators(folder));
}

void TOptionSetForm::bDefaultClick() {
    Controller.Values = ControlValues();
    Controller.SetMp3Defaults();
    ShowValues(Controller.Values);
}

void TOptionSetForm::bWMADefaultClick() {
    Controller.Values = ControlValues();
    Controller.SetWmaDefault();
    ShowValues(Controller.Values);
}

void TOptionSetForm::bOKClick() {
    Controller.Values = ControlValues();
    const TOptionCheck check = Controller.Accept();
    const int page = PageControl1->currentIndex();
    switch (check) {
    case TOptionCheck::Accepted:
        accept();
        return;
    case TOptionCheck::BadOutputDir:
        if (page == pgOutput)
            editOutputDir->setFocus();
        return;
    case TOptionCheck::BadRipTime:
        if (page == pgOutput)
            eRipTime->setFocus();
        return;
    case TOptionCheck::BadBitRate:
        if (page == pgMP3)
            cbBitRate->setFocus();
        return;
    case TOptionCheck::BadMaxBitRate:
        if (page == pgMP3)
            cbMaxBitRate->setFocus();
        return;
    }
}
