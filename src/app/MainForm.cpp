// The main window (see MainForm.h).
#include "app/MainForm.h"

#include "app/Settings.h"
#include "platform/Prompter.h"

#include <QLabel>
#include <QStatusBar>

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainForm"));
    LoadSettings();
    setWindowTitle(ApplicationTitle() + ' ' + QStringLiteral(DW_VERSION));
    resize(560, 400);
    auto* panel = new QLabel(this);
    panel->setObjectName(QStringLiteral("StatusPanel1"));
    statusBar()->addWidget(panel, 1);
}

TMainForm::~TMainForm() {
    SaveSettings();
}
