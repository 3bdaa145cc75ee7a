// The main window. For now a frame captioned with the application title and version; the
// track list and the commands come with the window's own work.
#pragma once

#include <QMainWindow>

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;
};
