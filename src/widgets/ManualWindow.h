// The manual in a window of the program: where no web browser opens a page of the shipped
// manual (a desktop without one, a minimal system), the page is shown here instead of nothing.
//
//     OpenInDesktop(this, HomePageUrl());   // the browser, or else this window
#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QTextBrowser;

class TfrmManual : public QDialog {
    Q_OBJECT
public:
    explicit TfrmManual(QWidget* parent);
    // Shows `page` (a file of the manual, with or without a section).
    void ShowPage(const QUrl& page);
    QTextBrowser* Browser() const { return Viewer; }

private:
    QTextBrowser* Viewer;
};

// Opens a folder, file or address with the desktop's program for it. When that fails for a
// page of the manual (a local HTML file), the page opens in the program's manual window, one
// per `parent`, brought to the front when it is open already. False when nothing opened.
bool OpenInDesktop(QWidget* parent, const QString& pathOrUrl);
// The manual window of `parent` showing `page` (made when there is none yet).
TfrmManual* ShowManualWindow(QWidget* parent, const QUrl& page);

// What hands a URL to the desktop (QDesktopServices::openUrl); tests put a stand-in for a
// desktop with or without a browser. Null restores the desktop's.
void SetUrlOpener(std::function<bool(const QUrl&)> opener);
