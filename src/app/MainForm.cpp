// The main window (see MainForm.h).
#include "app/MainForm.h"

#include "app/PlayerHistory.h"

#include "app/About.h"
#include "app/NoDeviceHint.h"
#include "app/OptionSetForm.h"
#include "audio/NewResampleWavForm.h"
#include "cddb/forms/CddbEmailDialog.h"
#include "cddb/forms/JpegImage.h"
#include "cddb/forms/frmQueryCDDB.h"
#include "core/Settings.h"
#include "jobs/RipForm.h"
#include "jobs/RipProgressForm.h"
#include "metadata/forms/ReleaseChooserForm.h"
#include "platform/Prompter.h"
#include "record/RecordForm.h"
#include "tags/EditTrackNameForm.h"
#include "tags/Genres.h"
#include "tags/ID3EditForm.h"
#include "vorbis/OggPlayerForm.h"
#include "widgets/FileDialogs.h"
#include "widgets/Language.h"
#include "widgets/ManualWindow.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <QUrl>
#include <algorithm>

namespace {

const QColor ClientColour(214, 223, 247);
const QColor ListColour(239, 239, 255);
const QColor StatusColour(220, 225, 255);

// The window's blue tints over a light palette; over a dark one (a desktop's dark theme) the
// palette's own colour with a little of the tint's blue, so the texts the palette colours stay
// readable.
QColor Tinted(const QPalette& palette, QPalette::ColorRole role, const QColor& light) {
    const QColor own = palette.color(role);
    if (own.lightness() >= 128)
        return light;
    const QColor blue(70, 95, 170);
    const double amount = 0.18;
    return QColor::fromRgbF(float(own.redF() * (1 - amount) + blue.redF() * amount),
                            float(own.greenF() * (1 - amount) + blue.greenF() * amount),
                            float(own.blueF() * (1 - amount) + blue.blueF() * amount));
}

// The languages of the Language menu: item name "mi" + language, and caption.
const struct {
    const char* Language;
    const char* Caption;
} Languages[] = {
    {"Arabic", "&Arabic"},         {"Catalan", "Catalan"},      {"Chinese", "&Chinese"},
    {"Czech", "C&zech"},           {"Danish", "&Danish"},       {"English", "&English"},
    {"French", "&French"},         {"German", "&German"},       {"Greek", "G&reek"},
    {"Hebrew", "He&brew"},         {"Hungarian", "&Hungarian"}, {"Italian", "&Italian"},
    {"Kurdish", "&Kurdish"},       {"Latvian", "&Latvian"},     {"Netherlands", "&Netherlands"},
    {"Portuguese", "&Portuguese"}, {"Russian", "&Russian"},     {"Slovenian", "Slo&venian"},
    {"Spanish", "&Spanish"},       {"Swedish", "S&wedish"},     {"Turkish", "&Turkish"},
};

// The window's client area: paints the background and places the tool bar, the disc's fields,
// the list and the status panel.
class TMainClient : public QWidget {
public:
    explicit TMainClient(QWidget* parent) : QWidget(parent) {}
    QWidget* Bar = nullptr;
    QWidget* Fields = nullptr;
    QWidget* List = nullptr;
    QWidget* Status = nullptr;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Tinted(palette(), QPalette::Window, ClientColour));
    }
    void resizeEvent(QResizeEvent*) override {
        const int w = width();
        const int h = height();
        const int barHeight = Bar->sizeHint().height();
        const int statusHeight = Status->sizeHint().height();
        const int fieldsHeight = Fields->sizeHint().height();
        Bar->setGeometry(0, 0, w, barHeight);
        Fields->setGeometry(8, barHeight, w - 16, fieldsHeight);
        const int listTop = barHeight + fieldsHeight + 4;
        List->setGeometry(8, listTop, w - 16, h - listTop - statusHeight - 12);
        Status->setGeometry(8, h - statusHeight - 8, w - 16, statusHeight);
    }
};

// The track list: a click with Ctrl held, or Space, toggles the selected row's check box and
// never deselects the row.
class TTrackListView : public QTreeWidget {
public:
    explicit TTrackListView(QWidget* parent) : QTreeWidget(parent) {}
    std::function<void()> OnCtrlClick;
    std::function<void()> OnSpace;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event) const override {
        if (index.isValid())
            return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
        return QTreeWidget::selectionCommand(index, event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        QTreeWidgetItem* item = itemAt(event->position().toPoint());
        const Qt::CheckState before = item ? item->checkState(0) : Qt::Unchecked;
        QTreeWidget::mouseReleaseEvent(event);
        // A click on the check box itself has toggled it already.
        if (item && event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier) &&
            item->checkState(0) == before && OnCtrlClick)
            OnCtrlClick();
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && state() != EditingState) {
            if (OnSpace)
                OnSpace();
            event->accept();
            return;
        }
        QTreeWidget::keyPressEvent(event);
    }
};

// The title column's editor: Enter and Tab keep the title and go on to the next track's title
// (Shift+Tab to the previous one); Escape leaves the title as it was.
class TTitleDelegate : public QStyledItemDelegate {
public:
    explicit TTitleDelegate(QObject* parent) : QStyledItemDelegate(parent) {}
    std::function<void(int step)> OnNext;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab || key == Qt::Key_Backtab) {
                Q_EMIT commitData(editor);
                Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
                if (OnNext)
                    OnNext(key == Qt::Key_Backtab ? -1 : 1);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }
};

// A menu item's text as a dialog title: without its accelerator (also the "(&F)" that
// languages without Latin letters append) and the trailing dots.
QString PlainCaption(QString caption) {
    static const QRegularExpression appended(QStringLiteral("\\s*\\(&.\\)"));
    return caption.remove(appended).remove('&').remove(QStringLiteral("...")).remove(QChar(0x2026)).trimmed();
}

} // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainForm"));
    MainController = std::make_unique<TMainController>(this);
    setWindowTitle(ApplicationTitle() + ' ' + QStringLiteral(DW_VERSION));
    setWindowIcon(ToolIcon(TToolIcon::Disc));

    auto* client = new TMainClient(this);
    Client = client;
    setCentralWidget(client);
    BuildMenus();
    BuildToolBar();
    BuildList();
    BuildPopupMenu();
    StatusPanel1 = new QLabel(client);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusPanel1->setMargin(3);
    StatusPanel1->setAutoFillBackground(true);
    ApplyTints();
    BuildDiscFields();
    client->Bar = ToolBar1;
    client->Fields = DiscPanel;
    client->List = ListView1;
    client->Status = StatusPanel1;
    resize(640, 480);

    TMainController* c = MainController.get();
    connect(c, &TMainController::RowsReset, this, &TMainForm::RefillList);
    connect(c, &TMainController::RowChanged, this, &TMainForm::UpdateRow);
    connect(c, &TMainController::StatusChanged, StatusPanel1, &QLabel::setText);
    connect(c, &TMainController::StateChanged, this, &TMainForm::UpdateActions);
    connect(c, &TMainController::DiscFieldsChanged, this, &TMainForm::UpdateDiscFields);
    UpdateActions();
    UpdateDiscFields();
}

TMainForm::~TMainForm() = default;

QAction* TMainForm::NewAction(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    if (menu)
        menu->addAction(action);
    return action;
}

void TMainForm::BuildMenus() {
    TMainController* c = MainController.get();
    auto newMenu = [this](const char* name, const QString& title) {
        QMenu* m = menuBar()->addMenu(title);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };

    QMenu* file = newMenu("miFile", QStringLiteral("&File"));
    QAction* a = NewAction(file, "miWavToWav", QStringLiteral("WA&V to WAV..."));
    connect(a, &QAction::triggered, this, &TMainForm::miWavToWavClick);
    a = NewAction(file, "miWavToMp3", QStringLiteral("&WAV to MP3..."), QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(a, &QAction::triggered, c, [c] { c->ConvertFiles(TJobKind::WavToMp3); });
    a = NewAction(file, "miMp3ToWav", QStringLiteral("&MP3 to WAV..."));
    connect(a, &QAction::triggered, c, [c] { c->ConvertFiles(TJobKind::Mp3ToWav); });
    a = NewAction(file, "miWavToOgg", QStringLiteral("WAV to O&GG..."));
    connect(a, &QAction::triggered, c, [c] { c->ConvertFiles(TJobKind::WavToOgg); });
    a = NewAction(file, "miWavToWma", QStringLiteral("WAV to WM&A..."));
    connect(a, &QAction::triggered, c, [c] { c->ConvertFiles(TJobKind::WavToWma); });
    a = NewAction(file, "miWavToFlac", QStringLiteral("WAV to &FLAC..."));
    connect(a, &QAction::triggered, c, [c] { c->ConvertFiles(TJobKind::WavToFlac); });
    a = NewAction(file, "miFlacToWav", QStringLiteral("F&LAC to WAV..."));
    connect(a, &QAction::triggered, c, [c] { c->ConvertFiles(TJobKind::FlacToWav); });
    file->addSeparator();
    a = NewAction(file, "miOpenImage", QStringLiteral("Open disc &image..."), QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(a, &QAction::triggered, c, [c] { c->OpenDiscImage(); });
    a = NewAction(file, "miOpenOutput", QStringLiteral("&Open output directory..."));
    connect(a, &QAction::triggered, c, &TMainController::OpenOutputDirectory);
    a = NewAction(file, "miRefresh", QStringLiteral("&Refresh"));
    connect(a, &QAction::triggered, c, &TMainController::Refresh);
    file->addSeparator();
    miEject = NewAction(file, "miEject", QStringLiteral("&Eject CD"), QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(miEject, &QAction::triggered, c, &TMainController::Eject);
    // Ctrl+L looks the disc up; closing the door goes with Eject's key.
    miCloseCD =
        NewAction(file, "miCloseCD", QStringLiteral("&Close CD"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    connect(miCloseCD, &QAction::triggered, c, &TMainController::CloseDoor);
    file->addSeparator();
    a = NewAction(file, "miExit", QStringLiteral("E&xit"));
    connect(a, &QAction::triggered, this, &QWidget::close);

    QMenu* actions = newMenu("miActions", QStringLiteral("&Actions"));
    miExtract = NewAction(actions, "miExtract", QStringLiteral("E&xtract"), QKeySequence(Qt::CTRL | Qt::Key_X));
    connect(miExtract, &QAction::triggered, c, &TMainController::Extract);
    a = NewAction(actions, "miRecord", QStringLiteral("&Record..."), QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(a, &QAction::triggered, this, &TMainForm::miRecordClick);
    a = NewAction(actions, "miOggPlayer", QStringLiteral("&OGG Player..."));
    connect(a, &QAction::triggered, this, &TMainForm::miOggPlayerClick);
    actions->addSeparator();
    miPlay = NewAction(actions, "miPlay", QStringLiteral("&Play"), QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(miPlay, &QAction::triggered, this, &TMainForm::miPlayClick);
    miPause = NewAction(actions, "miPause", QStringLiteral("P&ause"));
    connect(miPause, &QAction::triggered, this, &TMainForm::miPauseClick);
    miStop = NewAction(actions, "miStop", QStringLiteral("&Stop"));
    connect(miStop, &QAction::triggered, c, &TMainController::Stop);
    actions->addSeparator();
    a = NewAction(actions, "miVolume", QStringLiteral("&Volume Control..."), QKeySequence(Qt::CTRL | Qt::Key_V));
    connect(a, &QAction::triggered, c, &TMainController::VolumeControl);
    QMenu* history = actions->addMenu(QStringLiteral("&Clear History"));
    history->setObjectName(QStringLiteral("miClearHistory"));
    a = NewAction(history, "miRealPlayer", QStringLiteral("&RealPlayer"));
    connect(a, &QAction::triggered, c, [] { ClearRealPlayerHistory(); });
    a = NewAction(history, "miMediaPlayer", QStringLiteral("&Windows Media Player"));
    connect(a, &QAction::triggered, c, [] { ClearMediaPlayerHistory(); });

    QMenu* edit = newMenu("miEdit", QStringLiteral("&Edit"));
    a = NewAction(edit, "miSelectAll", QStringLiteral("Select &All"), QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(a, &QAction::triggered, c, &TMainController::SelectAll);
    a = NewAction(edit, "miSelectNone", QStringLiteral("Select &None"), QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(a, &QAction::triggered, c, &TMainController::SelectNone);
    edit->addSeparator();
    miLookUp = NewAction(edit, "miLookUp", QStringLiteral("&Look up disc"), QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(miLookUp, &QAction::triggered, c, &TMainController::LookUpDisc);
    miQueryFreedb = NewAction(edit, "miQueryFreedb", QStringLiteral("&Query Freedb"));
    connect(miQueryFreedb, &QAction::triggered, this, &TMainForm::miQueryFreedbClick);
    miRenameTitle = NewAction(edit, "miRenameTitle", QStringLiteral("Rename &Title"), QKeySequence(Qt::Key_F2));
    connect(miRenameTitle, &QAction::triggered, this, [this] { EditTitleInPlace(MainController->CurrentRow()); });
    a = NewAction(edit, "miID3Edit", QStringLiteral("&ID3 Tag Edit"));
    connect(a, &QAction::triggered, this, &TMainForm::miID3EditClick);
    edit->addSeparator();
    a = NewAction(edit, "miOptions", QStringLiteral("&Options..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(a, &QAction::triggered, this, &TMainForm::miOptionsClick);

    LanguageMenu = newMenu("miLanguage", QStringLiteral("&Language"));
    auto addLanguage = [this](const char* language, const QString& caption) {
        QAction* item = NewAction(LanguageMenu, QByteArray("mi").append(language).constData(), caption);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, item] { LanguageClick(item); });
    };
    for (const auto& l : Languages)
        addLanguage(l.Language, QString::fromLatin1(l.Caption));
    LanguageMenu->addSeparator();
    addLanguage("Other", QStringLiteral("Other"));

    QMenu* help = newMenu("miHelpMenu", QStringLiteral("&Help"));
    a = NewAction(help, "miHelp", QStringLiteral("&Help"), QKeySequence(Qt::Key_F1));
    connect(a, &QAction::triggered, c, &TMainController::Help);
    help->addSeparator();
    a = NewAction(help, "miHomePage", QStringLiteral("Discwright Home &Page"));
    connect(a, &QAction::triggered, this, [this] { OpenInShell(HomePageUrl()); });
    a = NewAction(help, "miProductPage", QStringLiteral("Discwright on the &Web"));
    connect(a, &QAction::triggered, this, [this] { OpenInShell(ProductPageUrl()); });
    help->addSeparator();
    a = NewAction(help, "miAbout", QStringLiteral("&About..."));
    connect(a, &QAction::triggered, this, &TMainForm::miAboutClick);
}

QToolButton* TMainForm::NewToolButton(const char* name, const QString& caption, TToolIcon icon, QAction* action) {
    // Plain buttons rather than default actions: their captions come from the language file
    // by their own names, and an action would put its menu caption back.
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setIcon(ToolIcon(icon));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setMinimumWidth(58);
    ToolBar1->addWidget(button);
    if (action) {
        connect(button, &QToolButton::clicked, action, &QAction::trigger);
        ToolButtons.append({button, action});
    }
    return button;
}

void TMainForm::BuildToolBar() {
    ToolBar1 = new QToolBar(Client);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setStyleSheet(QStringLiteral("QToolBar { background: transparent; border: none; }"));
    auto action = [this](const char* name) { return findChild<QAction*>(QString::fromLatin1(name)); };
    NewToolButton("tbExtract", QStringLiteral("Extract"), TToolIcon::Extract, miExtract);
    NewToolButton("tbEncode", QStringLiteral("Encode"), TToolIcon::Encode, action("miWavToMp3"));
    NewToolButton("tbFolder", QStringLiteral("Folder"), TToolIcon::Folder, action("miOpenOutput"));
    NewToolButton("tbRecord", QStringLiteral("Record"), TToolIcon::Record, action("miRecord"));
    NewToolButton("tbOptions", QStringLiteral("Options"), TToolIcon::Options, action("miOptions"));
    QToolButton* home = NewToolButton("tbHome", QStringLiteral("Home"), TToolIcon::Home, nullptr);
    connect(home, &QToolButton::clicked, this, [this] { OpenInShell(HomePageUrl()); });
    NewToolButton("tbExit", QStringLiteral("Exit"), TToolIcon::Exit, action("miExit"));
}

void TMainForm::BuildList() {
    auto* list = new TTrackListView(Client);
    ListView1 = list;
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setColumnCount(4);
    ListView1->setHeaderLabels(
        {QStringLiteral("No."), QStringLiteral("Title"), QStringLiteral("Length(min)"), QStringLiteral("Size(MB)")});
    ListView1->headerItem()->setTextAlignment(2, Qt::AlignCenter);
    ListView1->headerItem()->setTextAlignment(3, Qt::AlignCenter);
    ListView1->setColumnWidth(0, 90);
    ListView1->setColumnWidth(1, 230);
    ListView1->setColumnWidth(2, 100);
    ListView1->setColumnWidth(3, 90);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Titles are edited in place, opened by F2 (Rename Title) or a double click.
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* titles = new TTitleDelegate(ListView1);
    ListView1->setItemDelegateForColumn(1, titles);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);

    TMainController* c = MainController.get();
    list->OnCtrlClick = [c] { c->ToggleCurrentRow(); };
    list->OnSpace = [c] { c->ToggleCurrentRow(); };
    titles->OnNext = [this](int step) {
        const int next = MainController->CurrentRow() + step;
        // After the editor has closed: the next one opens on the row it moves to.
        if (next >= 0 && next < ListView1->topLevelItemCount())
            QTimer::singleShot(0, this, [this, next] { EditTitleInPlace(next); });
    };
    connect(ListView1, &QTreeWidget::itemChanged, this, [this, c](QTreeWidgetItem* item, int column) {
        if (Syncing)
            return;
        const int row = ListView1->indexOfTopLevelItem(item);
        if (column == 0)
            c->SetRowSelected(row, item->checkState(0) == Qt::Checked);
        else if (column == 1)
            c->SetRowTitle(row, item->text(1));
    });
    connect(ListView1, &QTreeWidget::currentItemChanged, this, [this, c](QTreeWidgetItem* item) {
        if (!Syncing)
            c->SetCurrentRow(item ? ListView1->indexOfTopLevelItem(item) : -1);
    });
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { EditTitleInPlace(ListView1->indexOfTopLevelItem(item)); });
    connect(ListView1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(ListView1->viewport()->mapToGlobal(at)); });
}

void TMainForm::BuildPopupMenu() {
    TMainController* c = MainController.get();
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    // The pop-up's items carry no shortcuts of their own: the menu bar's items hold them.
    pmExtract = NewAction(PopupMenu1, "pmExtract", QStringLiteral("E&xtract"));
    connect(pmExtract, &QAction::triggered, c, &TMainController::Extract);
    PopupMenu1->addSeparator();
    QAction* a = NewAction(PopupMenu1, "pmSelectAll", QStringLiteral("Select &All"));
    connect(a, &QAction::triggered, c, &TMainController::SelectAll);
    a = NewAction(PopupMenu1, "pmSelectNone", QStringLiteral("Select &None"));
    connect(a, &QAction::triggered, c, &TMainController::SelectNone);
    PopupMenu1->addSeparator();
    pmPlay = NewAction(PopupMenu1, "pmPlay", QStringLiteral("&Play"));
    connect(pmPlay, &QAction::triggered, this, &TMainForm::miPlayClick);
    pmPause = NewAction(PopupMenu1, "pmPause", QStringLiteral("Pa&use"));
    connect(pmPause, &QAction::triggered, this, &TMainForm::miPauseClick);
    pmStop = NewAction(PopupMenu1, "pmStop", QStringLiteral("&Stop"));
    connect(pmStop, &QAction::triggered, c, &TMainController::Stop);
    PopupMenu1->addSeparator();
    pmRenameTitle = NewAction(PopupMenu1, "pmRenameTitle", QStringLiteral("Rename &Title"));
    connect(pmRenameTitle, &QAction::triggered, this, [this] { EditTitleInPlace(MainController->CurrentRow()); });
}

void TMainForm::BuildDiscFields() {
    TMainController* c = MainController.get();
    DiscPanel = new QWidget(Client);
    DiscPanel->setObjectName(QStringLiteral("DiscPanel"));
    auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, DiscPanel);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    edArtist = new QLineEdit(DiscPanel);
    edArtist->setObjectName(QStringLiteral("edArtist"));
    edAlbum = new QLineEdit(DiscPanel);
    edAlbum->setObjectName(QStringLiteral("edAlbum"));
    edYear = new QLineEdit(DiscPanel);
    edYear->setObjectName(QStringLiteral("edYear"));
    edYear->setMaxLength(4);
    edYear->setMaximumWidth(70);
    cbGenre = new QComboBox(DiscPanel);
    cbGenre->setObjectName(QStringLiteral("cbGenre"));
    cbGenre->addItems(GenreListItems());
    auto* grid = new QGridLayout(DiscPanel);
    grid->setContentsMargins(0, 2, 0, 2);
    grid->addWidget(label("lDiscArtist", QStringLiteral("Artist:")), 0, 0);
    grid->addWidget(edArtist, 0, 1);
    grid->addWidget(label("lDiscYear", QStringLiteral("Year:")), 0, 2);
    grid->addWidget(edYear, 0, 3);
    grid->addWidget(label("lDiscAlbum", QStringLiteral("Album:")), 1, 0);
    grid->addWidget(edAlbum, 1, 1);
    grid->addWidget(label("lDiscGenre", QStringLiteral("Genre:")), 1, 2);
    grid->addWidget(cbGenre, 1, 3);
    grid->setColumnStretch(1, 1);
    btCover = new QToolButton(DiscPanel);
    btCover->setObjectName(QStringLiteral("btCover"));
    btCover->setAutoRaise(true);
    btCover->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const int side = edArtist->sizeHint().height() * 2;
    btCover->setFixedSize(side + 4, side + 4);
    btCover->setIconSize(QSize(side, side));
    grid->addWidget(btCover, 0, 4, 2, 1);
    connect(btCover, &QToolButton::clicked, c, &TMainController::ChooseCover);
    connect(c, &TMainController::CoverChanged, this, &TMainForm::UpdateCover);
    UpdateCover();
    connect(edArtist, &QLineEdit::textEdited, c, &TMainController::SetDiscArtist);
    connect(edAlbum, &QLineEdit::textEdited, c, &TMainController::SetDiscAlbum);
    connect(edYear, &QLineEdit::textEdited, c, &TMainController::SetDiscYear);
    // The genre list's first entry is "no genre".
    connect(cbGenre, &QComboBox::activated, c, [c](int position) { c->SetDiscGenre(position - 1); });
}

void TMainForm::UpdateDiscFields() {
    edArtist->setText(CurrentDisc.Artist);
    edAlbum->setText(CurrentDisc.Album);
    edYear->setText(CurrentDisc.Year);
    const int position = CurrentDisc.Genre + 1;
    cbGenre->setCurrentIndex(position >= 0 && position < cbGenre->count() ? position : 0);
}

void TMainForm::UpdateCover() {
    // JPEG through libjpeg, as every picture of the windows (Qt's plugin may be missing);
    // PNG is Qt's own.
    const QByteArray& cover = MainController->Cover();
    QPixmap picture = QPixmap::fromImage(DecodeJpeg(cover));
    if (picture.isNull() && !cover.isEmpty())
        picture.loadFromData(cover);
    // The button is the picture's square; without one, as wide as its text in any language.
    const int side = btCover->iconSize().width() + 4;
    if (picture.isNull()) {
        btCover->setIcon(QIcon());
        btCover->setText(ResText("RES_Cover_None", "No cover"));
        btCover->setToolButtonStyle(Qt::ToolButtonTextOnly);
        btCover->setFixedWidth(std::max(side, btCover->fontMetrics().horizontalAdvance(btCover->text()) + 16));
    } else {
        btCover->setIcon(QIcon(picture));
        btCover->setToolButtonStyle(Qt::ToolButtonIconOnly);
        btCover->setFixedWidth(side);
    }
    btCover->setToolTip(ResText("RES_Cover_Choose", "Front cover of the disc; click to choose a picture file"));
}

QString TMainForm::ChooseCoverFile() {
    return AskOpenFile(
        this, TFileKind::Cover, ResText("RES_Cover_Open", "Cover picture"),
        ResText("RES_Filter_Picture", "Pictures (*.jpg *.jpeg *.png) (*.jpg *.jpeg *.png);;Any file(*.*) (*)"));
}

void TMainForm::EditTitleInPlace(int row) {
    QTreeWidgetItem* item = ListView1->topLevelItem(row);
    if (!item)
        return;
    ListView1->setCurrentItem(item, 1);
    MainController->SetCurrentRow(row);
    ListView1->editItem(item, 1);
}

// ---------------------------------------------------------------------------------------------
// The list and the enabled rules

void TMainForm::RefillList() {
    Syncing = true;
    ListView1->clear();
    const std::vector<TTrackRow>& rows = MainController->Rows();
    for (int i = 0; i < int(rows.size()); ++i) {
        auto* item = new QTreeWidgetItem(ListView1);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
        item->setTextAlignment(2, Qt::AlignCenter);
        item->setTextAlignment(3, Qt::AlignCenter);
        Syncing = true;
        UpdateRow(i);
    }
    Syncing = false;
    UpdateActions();
}

void TMainForm::UpdateRow(int row) {
    QTreeWidgetItem* item = ListView1->topLevelItem(row);
    if (!item || row >= int(MainController->Rows().size()))
        return;
    const TTrackRow& r = MainController->Rows()[row];
    const bool wasSyncing = Syncing;
    Syncing = true;
    item->setText(0, QString::number(r.Number));
    item->setCheckState(0, r.Selected ? Qt::Checked : Qt::Unchecked);
    item->setText(1, r.Title);
    item->setText(2, r.Length);
    item->setText(3, r.Size);
    Syncing = wasSyncing;
}

void TMainForm::UpdateActions() {
    const TMainEnables e = MainController->Enables();
    for (QAction* a : {miExtract, pmExtract})
        a->setEnabled(e.Extract);
    for (QAction* a : {miPlay, pmPlay})
        a->setEnabled(e.Play);
    for (QAction* a : {miPause, pmPause})
        a->setEnabled(e.Pause);
    for (QAction* a : {miStop, pmStop})
        a->setEnabled(e.Stop);
    for (QAction* a : {miRenameTitle, pmRenameTitle})
        a->setEnabled(e.RenameTitle);
    miQueryFreedb->setEnabled(e.QueryFreedb);
    miLookUp->setEnabled(e.LookUp);
    miEject->setEnabled(e.Door);
    miCloseCD->setEnabled(e.Door);
    for (const auto& [button, action] : ToolButtons)
        button->setEnabled(action->isEnabled());
}

void TMainForm::LanguageClick(QAction* item) {
    if (!MainController->SwitchLanguageKeepingStatus([&] { return SwitchLanguage(this, item); })) {
        // The click toggled the item; nothing changed.
        item->setChecked(item->objectName().mid(2).compare(Settings.Lan, Qt::CaseInsensitive) == 0);
        return;
    }
    // The caption carries the version and is not translated.
    setWindowTitle(ApplicationTitle() + ' ' + QStringLiteral(DW_VERSION));
}

// ---------------------------------------------------------------------------------------------
// Showing, activation, closing

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (Shown)
        return;
    Shown = true;
    try {
        // A language whose file has gone (uninstalled, renamed, a mistyped Lan) would leave every
        // message box empty for good: the window starts in English instead.
        if (!IsEnglish(Settings.Lan) && !QFileInfo::exists(LanguageFilePath(Settings.Lan)))
            Settings.Lan = QStringLiteral("English");
        for (QAction* item : LanguageMenu->actions()) {
            if (!item->isSeparator())
                item->setChecked(item->objectName().mid(2).compare(Settings.Lan, Qt::CaseInsensitive) == 0);
        }
        if (!IsEnglish(Settings.Lan)) {
            ApplyApplicationLanguage(Settings.Lan);
            ApplyLanguage(this, Settings.Lan);
            setWindowTitle(ApplicationTitle() + ' ' + QStringLiteral(DW_VERSION));
        }
        MainController->Show();
    } catch (...) {
        // Showing never fails: whatever went wrong is in the status text.
    }
}

void TMainForm::ApplyTints() {
    const QPalette own = QApplication::palette();
    QPalette list = own;
    list.setColor(QPalette::Base, Tinted(own, QPalette::Base, ListColour));
    ListView1->setPalette(list);
    QPalette status = own;
    status.setColor(QPalette::Window, Tinted(own, QPalette::Window, StatusColour));
    StatusPanel1->setPalette(status);
}

void TMainForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // The desktop switched between a light and a dark theme.
    if (event->type() == QEvent::ApplicationPaletteChange)
        ApplyTints();
    // Deferred, so that a box shown by the activation does not open inside the event that
    // activated the window.
    if (event->type() == QEvent::ActivationChange && Shown && isActiveWindow())
        QTimer::singleShot(0, this, [this] {
            if (isActiveWindow())
                MainController->Activate();
        });
}

void TMainForm::closeEvent(QCloseEvent* event) {
    MainController->CloseQuery();
    MainController->Close();
    event->accept();
}

// ---------------------------------------------------------------------------------------------
// Host services

THintChoice TMainForm::ShowNoDeviceHint() {
    TfrmNoDeviceHint hint(this);
    const int result = hint.exec();
    if (result == TfrmNoDeviceHint::OpenDemoResult)
        return THintChoice::OpenDemoDisc;
    return result == TfrmNoDeviceHint::OpenImageResult ? THintChoice::OpenDiscImage : THintChoice::Close;
}

QString TMainForm::ChooseDiscImage() {
    const QAction* item = findChild<QAction*>(QStringLiteral("miOpenImage"));
    return AskOpenFile(this, TFileKind::Image, PlainCaption(item->text()),
                       ResText("RES_Filter_Image", "Disc images (*.cue *.toc);;Any file(*.*) (*)"));
}

QStringList TMainForm::ChooseFiles(TJobKind jobKind, const QString& filter) {
    // The dialog is titled like the menu item that opened it.
    const char* item = jobKind == TJobKind::Mp3ToWav    ? "miMp3ToWav"
                       : jobKind == TJobKind::WavToOgg  ? "miWavToOgg"
                       : jobKind == TJobKind::WavToWma  ? "miWavToWma"
                       : jobKind == TJobKind::WavToFlac ? "miWavToFlac"
                       : jobKind == TJobKind::FlacToWav ? "miFlacToWav"
                                                        : "miWavToMp3";
    const QAction* action = findChild<QAction*>(QLatin1String(item));
    return AskOpenFiles(this, jobKind == TJobKind::Mp3ToWav ? TFileKind::Mp3 : TFileKind::Wav,
                        action ? PlainCaption(action->text()) : QString(), filter);
}

bool TMainForm::OpenInShell(const QString& pathOrUrl) {
    return OpenInDesktop(this, pathOrUrl);
}

void TMainForm::miAboutClick() {
    TfrmAbout about(this);
    about.exec();
}

bool TMainForm::EditTitle(QString& title) {
    TfrmEditTrackName dialog(this);
    dialog.SetTitle(title);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    title = dialog.Title();
    return true;
}

void TMainForm::RunJobWindow(std::unique_ptr<TJobController> job) {
    TRipForm form(this, std::move(job));
    form.exec();
}

void TMainForm::RunCDRipWindow(const TRipRequest& request) {
    TCDIn* cdIn = MainController->CDInput().Component();
    if (!cdIn)
        return;
    TfrmCDRip form(this, request, *cdIn, &MainController->Mp3Encoder(), &MainController->WmaEncoder());
    form.exec();
}

void TMainForm::miID3EditClick() {
    TfrmID3Edit dialog(this);
    dialog.exec();
}

void TMainForm::miOptionsClick() {
    TOptionSetForm dialog(MainController.get(), this);
    dialog.exec();
    // The ID3 page edits the same fields.
    UpdateDiscFields();
}

int TMainForm::ChooseRelease(const std::vector<TDiscCandidate>& candidates, const QString& source) {
    TReleaseChooser chooser(candidates);
    return ::ChooseRelease(this, chooser, source);
}

bool TMainForm::AskCddbEmail(QString& email) {
    return ::AskCddbEmail(this, email);
}

// ---------------------------------------------------------------------------------------------
// Hooks: windows that later work builds. Each one opens its window modally here and sets its
// flag at the top of this file, which enables its commands.

void TMainForm::miWavToWavClick() {
    TfrmResample dialog(this);
    dialog.exec();
}

void TMainForm::miRecordClick() {
    // The recording's MP3 export runs through the job window with the main window's wrapper,
    // so closing the main window ends its child like any other.
    TfrmRecord form(this);
    form.Mp3Encoder = &MainController->Mp3Encoder();
    form.exec();
}

// ---------------------------------------------------------------------------------------------
// The Ogg player, CD playback and the CDDB query

void TMainForm::miOggPlayerClick() {
    ShowOggPlayer(this);
}

void TMainForm::miPlayClick() {
    MainController->Play();
}

void TMainForm::miPauseClick() {
    MainController->Pause();
}

void TMainForm::miQueryFreedbClick() {
    // Without a drive handle the CDDB component asks the server on this thread: the window
    // cannot respond until it is done, and the cursor says so.
    const bool blocking = MainController->CDHandle == 0;
    if (blocking)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        MainController->QueryFreedb();
    } catch (...) {
        // The status line says what went wrong; nothing leaves the menu command.
    }
    if (blocking)
        QApplication::restoreOverrideCursor();
}

void TMainForm::RunQueryCddbDialog(uint8_t firstTrack, uint8_t lastTrack, int cdHandle,
                                   const std::function<void(const TQueryCddbResult&)>& onResult) {
    TfrmQueryCDDB dialog(this);
    dialog.FirstTrack = firstTrack;
    dialog.LastTrack = lastTrack;
    dialog.DriveHandle = cdHandle;
    dialog.SetOnResult(onResult);
    dialog.exec();
}
