// TfrmID3Edit: the tag editor window ("&ID3 Tag Edit" of the main window). A thin view over
// TID3Edit: it copies its controls into the editor's fields before each command and shows the
// fields, the caption and the enabled buttons after it.
//
// Use: TfrmID3Edit dlg(mainWindow); dlg.exec();
#pragma once

#include "tags/ID3Edit.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;

class QLabel;

class TfrmID3Edit : public QDialog {
    Q_OBJECT
public:
    explicit TfrmID3Edit(QWidget* parent = nullptr);

    TID3Edit& Editor() { return Edit; }
    // Ask for the MP3 file to load the tag from, and for the one "Save As..." writes the tag
    // into (an existing file); empty when cancelled. Tests may replace them.
    std::function<QString()> ChooseFile;
    std::function<QString()> ChooseSaveFile;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void bLoadTagClick();
    void bSaveTagClick();
    void bRemoveTagClick();
    void bSaveASClick();
    void TakeControls();
    void ShowEditor();
    void ShowCommentRoom();

    TID3Edit Edit;
    QLineEdit* ID3title;
    QLineEdit* ID3artist;
    QLineEdit* ID3album;
    QLineEdit* ID3year;
    QComboBox* ID3genre;
    QLineEdit* ID3comment;
    QLineEdit* ID3track;
    QPushButton* bSaveTag;
    QPushButton* bRemoveTag;
    QLabel* lCommentRoom;
    QLabel* lTagKinds;
};
