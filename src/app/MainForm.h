// TMainForm: the main window. It shows the track list, the status panel, the menus, the tool
// bar and the list's pop-up menu of a TMainController and forwards every command to it. The
// other windows are opened from here, modally; those not built yet have hooks
// (see "Hooks" in MainForm.cpp).
#pragma once

#include "app/MainController.h"
#include "app/MainFormIcons.h"

#include <QMainWindow>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

class TMainForm : public QMainWindow, public TMainWindowHost {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    TMainController& Controller() { return *MainController; }

    // TMainWindowHost
    THintChoice ShowNoDeviceHint() override;
    QString ChooseDiscImage() override;
    QStringList ChooseFiles(TJobKind jobKind, const QString& filter) override;
    bool EditTitle(QString& title) override;
    bool OpenInShell(const QString& pathOrUrl) override;
    void RunJobWindow(std::unique_ptr<TJobController> job) override;
    void RunCDRipWindow(const TRipRequest& request) override;
    void RunQueryCddbDialog(uint8_t firstTrack, uint8_t lastTrack, int cdHandle,
                            const std::function<void(const TQueryCddbResult&)>& onResult) override;
    int ChooseRelease(const std::vector<TDiscCandidate>& candidates, const QString& source) override;
    bool AskCddbEmail(QString& email) override;
    QString ChooseCoverFile() override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* NewAction(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut = {});
    void BuildMenus();
    void BuildToolBar();
    void BuildList();
    void BuildDiscFields();
    void BuildPopupMenu();
    // The list's and status panel's tints for the application's palette (light or dark).
    void ApplyTints();
    QToolButton* NewToolButton(const char* name, const QString& caption, TToolIcon icon, QAction* action);

    void RefillList();
    void UpdateRow(int row);
    void UpdateActions();
    // The disc fields from CurrentDisc.
    void UpdateDiscFields();
    // The cover beside them from the controller's.
    void UpdateCover();
    // Opens the title of `row` for editing in place.
    void EditTitleInPlace(int row);
    void LanguageClick(QAction* item);

    // Menu items that open windows (some of them hooks for windows that later work builds).
    void miWavToWavClick();
    void miRecordClick();
    void miOggPlayerClick();
    void miPlayClick();
    void miPauseClick();
    void miQueryFreedbClick();
    void miID3EditClick();
    void miOptionsClick();
    void miAboutClick();

    std::unique_ptr<TMainController> MainController;
    QWidget* Client = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    // The disc's fields above the list.
    QWidget* DiscPanel = nullptr;
    QLineEdit* edArtist = nullptr;
    QLineEdit* edAlbum = nullptr;
    QLineEdit* edYear = nullptr;
    QComboBox* cbGenre = nullptr;
    // The disc's front cover; a click picks one from a file.
    QToolButton* btCover = nullptr;
    QLabel* StatusPanel1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QMenu* LanguageMenu = nullptr;
    // Every action by name, for the enabled rules.
    QAction* miExtract = nullptr;
    QAction* miPlay = nullptr;
    QAction* miPause = nullptr;
    QAction* miStop = nullptr;
    QAction* miRenameTitle = nullptr;
    QAction* miQueryFreedb = nullptr;
    QAction* miLookUp = nullptr;
    QAction* miEject = nullptr;
    QAction* miCloseCD = nullptr;
    QAction* pmExtract = nullptr;
    QAction* pmPlay = nullptr;
    QAction* pmPause = nullptr;
    QAction* pmStop = nullptr;
    QAction* pmRenameTitle = nullptr;
    QList<QPair<QToolButton*, QAction*>> ToolButtons;
    bool Shown = false;
    bool Syncing = false;
};
