// The program body of the Discwright GUI.
#include "app/MainForm.h"
#include "app/MessageBoxPrompter.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(DW_VERSION));
    TMessageBoxPrompter prompter;
    SetPrompter(&prompter);
    TMainForm form;
    form.show();
    const int rc = QApplication::exec();
    SetPrompter(nullptr);
    return rc;
}
