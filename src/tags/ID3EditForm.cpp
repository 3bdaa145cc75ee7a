// The tag editor window (see ID3EditForm.h).
#include "tags/ID3EditForm.h"

#include "core/LanguageText.h"
#include "core/Settings.h"
#include "tags/Genres.h"
#include "widgets/FileDialogs.h"
#include "widgets/FlatButton.h"
#include "widgets/FlatEdit.h"
#include "widgets/Language.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

QLineEdit* AddField(QGridLayout* grid, int row, const char* labelName, const QString& caption, const char* name,
                    int maxLength) {
    auto* label = new QLabel(caption);
    label->setObjectName(QLatin1String(labelName));
    auto* edit = new TFlatEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(maxLength);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

QPushButton* AddButton(QVBoxLayout* box, const char* name, const QString& caption) {
    auto* button = new TFlatButton(caption);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    box->addWidget(button);
    return button;
}

} // namespace

TfrmID3Edit::TfrmID3Edit(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmID3Edit"));
    ChooseFile = [this] {
        return AskOpenFile(this, TFileKind::Mp3, ResText("RES_Dialog_Load_Tag", "Load Tag"),
                           ResText("RES_Filter_Mp3", "MP3 file(*.mp3) (*.mp3);;Any file(*.*) (*)"));
    };
    // The tag goes into an MP3 file that is there already; its audio stays as it is, so no
    // overwrite question.
    ChooseSaveFile = [this] {
        return AskSaveFile(this, TFileKind::Mp3,
                           {.Title = ResText("RES_Dialog_Save_Tag_As", "Save Tag As"),
                            .Filter = ResText("RES_Filter_Mp3", "MP3 file(*.mp3) (*.mp3);;Any file(*.*) (*)"),
                            .DefaultSuffix = QStringLiteral("mp3"),
                            .ExistingOnly = true,
                            .ConfirmOverwrite = false});
    };

    auto* group = new QGroupBox(QStringLiteral("ID3 Tag"));
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid = new QGridLayout(group);
    // ID3v2 keeps the texts whole; the ID3v1 tag keeps their first 30 characters.
    ID3title = AddField(grid, 0, "lTitle", QStringLiteral("Title:"), "ID3title", 250);
    ID3artist = AddField(grid, 1, "lArtist", QStringLiteral("Artist:"), "ID3artist", 250);
    ID3album = AddField(grid, 2, "lAlbum", QStringLiteral("Album:"), "ID3album", 250);
    ID3year = AddField(grid, 3, "lYear", QStringLiteral("Year:"), "ID3year", 4);
    ID3year->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), ID3year));
    auto* genreLabel = new QLabel(QStringLiteral("Genre:"));
    genreLabel->setObjectName(QStringLiteral("lGenre"));
    ID3genre = new QComboBox;
    ID3genre->setObjectName(QStringLiteral("ID3genre"));
    ID3genre->addItems(GenreListItems());
    ID3genre->setMaxVisibleItems(16);
    genreLabel->setBuddy(ID3genre);
    grid->addWidget(genreLabel, 4, 0);
    grid->addWidget(ID3genre, 4, 1);
    ID3comment = AddField(grid, 5, "lComment", QStringLiteral("Comment:"), "ID3comment", 250);
    // How much of the comment the ID3v1 tag keeps: a track number takes two of its 30 bytes.
    lCommentRoom = new QLabel;
    lCommentRoom->setObjectName(QStringLiteral("lCommentRoom"));
    grid->addWidget(lCommentRoom, 6, 1);
    ID3track = AddField(grid, 7, "lTrack", QStringLiteral("Track #:"), "ID3track", 2);
    // Digits only; paste goes through the same filter.
    ID3track->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), ID3track));
    // Room for 30 characters of the widest common letters.
    ID3title->setMinimumWidth(ID3title->fontMetrics().horizontalAdvance(QString(30, 'n')));

    auto* buttons = new QVBoxLayout;
    QPushButton* bLoadTag = AddButton(buttons, "bLoadTag", QStringLiteral("&Load Tag..."));
    bSaveTag = AddButton(buttons, "bSaveTag", QStringLiteral("&Save Tag"));
    bRemoveTag = AddButton(buttons, "bRemoveTag", QStringLiteral("&Remove Tag"));
    QPushButton* bSaveAS = AddButton(buttons, "bSaveAS", QStringLiteral("Save &As..."));
    buttons->addStretch(1);
    QPushButton* bClose = AddButton(buttons, "bClose", QStringLiteral("&Close"));

    // Which tags the file holds.
    lTagKinds = new QLabel;
    lTagKinds->setObjectName(QStringLiteral("lTagKinds"));
    auto* left = new QVBoxLayout;
    left->addWidget(group, 1);
    left->addWidget(lTagKinds);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(bLoadTag, &QPushButton::clicked, this, &TfrmID3Edit::bLoadTagClick);
    connect(bSaveTag, &QPushButton::clicked, this, &TfrmID3Edit::bSaveTagClick);
    connect(bRemoveTag, &QPushButton::clicked, this, &TfrmID3Edit::bRemoveTagClick);
    connect(bSaveAS, &QPushButton::clicked, this, &TfrmID3Edit::bSaveASClick);
    connect(bClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(ID3track, &QLineEdit::textChanged, this, &TfrmID3Edit::ShowCommentRoom);
    ShowEditor();
}

void TfrmID3Edit::showEvent(QShowEvent* event) {
    if (!IsEnglish(Settings.Lan))
        ApplyLanguage(this, Settings.Lan);
    // The caption is a message of its own (with the file name), not the section's caption key.
    ShowEditor();
    QDialog::showEvent(event);
}

void TfrmID3Edit::TakeControls() {
    TID3Fields& f = Edit.Fields;
    f.Title = ID3title->text();
    f.Artist = ID3artist->text();
    f.Album = ID3album->text();
    f.Year = ID3year->text();
    f.Comment = ID3comment->text();
    f.Track = ID3track->text();
    f.GenrePosition = ID3genre->currentIndex();
}

void TfrmID3Edit::ShowEditor() {
    const TID3Fields& f = Edit.Fields;
    ID3title->setText(f.Title);
    ID3artist->setText(f.Artist);
    ID3album->setText(f.Album);
    ID3year->setText(f.Year);
    ID3comment->setText(f.Comment);
    ID3track->setText(f.Track);
    ID3genre->setCurrentIndex(f.GenrePosition < ID3genre->count() ? f.GenrePosition : -1);
    setWindowTitle(Edit.Caption());
    bSaveTag->setEnabled(Edit.HasFile());
    bRemoveTag->setEnabled(Edit.HasFile());
    lTagKinds->setText(
        !Edit.HasFile() ? QString()
        : Edit.TagKinds().isEmpty()
            ? ResText("RES_Tags_None", "The file has no tag.")
            : ResText("RES_Tags_Kinds", "Tags in the file: %1").arg(Edit.TagKinds().join(QStringLiteral(", "))));
    ShowCommentRoom();
}

void TfrmID3Edit::ShowCommentRoom() {
    lCommentRoom->setText(TID3Edit::Id3v1CommentRoom(ID3track->text()) == 28
                              ? ResText("RES_Comment_Room28", "ID3v1 keeps 28 characters of it (a track number is set)")
                              : ResText("RES_Comment_Room30", "ID3v1 keeps 30 characters of it"));
}

void TfrmID3Edit::bLoadTagClick() {
    const QString path = ChooseFile();
    if (path.isEmpty())
        return;
    Edit.Load(path);
    ShowEditor();
}

void TfrmID3Edit::bSaveTagClick() {
    TakeControls();
    Edit.Save();
    ShowEditor();
}

void TfrmID3Edit::bRemoveTagClick() {
    TakeControls();
    Edit.Remove();
    ShowEditor();
}

void TfrmID3Edit::bSaveASClick() {
    const QString path = ChooseSaveFile();
    if (path.isEmpty())
        return;
    TakeControls();
    Edit.SaveAs(path);
    ShowEditor();
}
