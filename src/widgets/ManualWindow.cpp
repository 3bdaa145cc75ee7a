// The program's manual window (see ManualWindow.h).
#include "widgets/ManualWindow.h"

#include "core/Settings.h"
#include "widgets/Language.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

std::function<bool(const QUrl&)> UrlOpener;

} // namespace

void SetUrlOpener(std::function<bool(const QUrl&)> opener) {
    UrlOpener = std::move(opener);
}

TfrmManual::TfrmManual(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmManual"));
    setWindowTitle(QStringLiteral("Discwright manual"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Not modal: the manual stays open beside the window it explains.
    setModal(false);
    Viewer = new QTextBrowser(this);
    Viewer->setObjectName(QStringLiteral("Browser"));
    // Addresses outside the manual go to the desktop; its own links stay here.
    Viewer->setOpenExternalLinks(true);
    auto* bClose = new QPushButton(QStringLiteral("&Close"), this);
    bClose->setObjectName(QStringLiteral("bClose"));
    bClose->setAutoDefault(false);
    connect(bClose, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Viewer, 1);
    layout->addLayout(buttons);
    resize(760, 600);
    if (!IsEnglish(Settings.Lan))
        ApplyLanguage(this, Settings.Lan);
}

void TfrmManual::ShowPage(const QUrl& page) {
    if (Viewer->source().adjusted(QUrl::RemoveFragment) == page.adjusted(QUrl::RemoveFragment) && page.hasFragment())
        Viewer->scrollToAnchor(page.fragment());
    else
        Viewer->setSource(page);
}

TfrmManual* ShowManualWindow(QWidget* parent, const QUrl& page) {
    auto* window = parent ? parent->findChild<TfrmManual*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window)
        window = new TfrmManual(parent);
    window->ShowPage(page);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

bool OpenInDesktop(QWidget* parent, const QString& pathOrUrl) {
    if (pathOrUrl.isEmpty())
        return false;
    const QUrl url = pathOrUrl.contains(QStringLiteral("://")) ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
    if (UrlOpener ? UrlOpener(url) : QDesktopServices::openUrl(url))
        return true;
    const QFileInfo file(url.toLocalFile());
    if (!url.isLocalFile() || !file.isFile() || !file.suffix().startsWith(QLatin1String("htm"), Qt::CaseInsensitive))
        return false;
    ShowManualWindow(parent, url);
    return true;
}
