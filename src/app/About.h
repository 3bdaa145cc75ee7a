// TfrmAbout: the about box, with the program's title and version and links to the maker's
// home page and update page.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QUrl>

class QPushButton;

// A label that opens its address in the browser when clicked.
class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    TLinkLabel(const QString& text, const QUrl& url, QWidget* parent = nullptr);
    QUrl Url;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* lbTitle;
    TLinkLabel* lbHomePage;
    TLinkLabel* lbUpdate;
    QPushButton* btOK;
};
