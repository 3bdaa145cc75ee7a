// The about box (see About.h).
#include "app/About.h"

#include "app/MainController.h"
#include "app/MainFormIcons.h"
#include "core/Settings.h"
#include "platform/Prompter.h"
#include "widgets/Language.h"
#include "widgets/ManualWindow.h"

#include <QHBoxLayout>
#include <QLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

TLinkLabel::TLinkLabel(const QString& text, const QUrl& url, QWidget* parent) : QLabel(text, parent), Url(url) {
    setCursor(Qt::PointingHandCursor);
    setToolTip(url.toString());
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    // The palette's own link colour, readable on a dark palette as on a light one.
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, pal.color(QPalette::Link));
    setPalette(pal);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    // A page of the manual opens in the program's own window when no browser takes it.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        OpenInDesktop(window(), Url.toString());
    QLabel::mouseReleaseEvent(event);
}

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(ToolIcon(TToolIcon::Disc).pixmap(64, 64));
    // The title carries the version and is not translated: it has no name.
    lbTitle = new QLabel(ApplicationTitle() + ' ' + QStringLiteral(DW_VERSION), this);
    QFont big = lbTitle->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.5);
    lbTitle->setFont(big);
    auto* lbAbout = new QLabel(QStringLiteral("CD ripper and audio converter"), this);
    lbAbout->setObjectName(QStringLiteral("lbAbout"));
    lbHomePage = new TLinkLabel(QStringLiteral("Discwright home page"), QUrl(HomePageUrl()), this);
    lbHomePage->setObjectName(QStringLiteral("lbHomePage"));
    lbUpdate = new TLinkLabel(QStringLiteral("Check for a newer version"), QUrl(UpdatePageUrl()), this);
    lbUpdate->setObjectName(QStringLiteral("lbUpdate"));
    btOK = new QPushButton(QStringLiteral("OK"), this);
    btOK->setObjectName(QStringLiteral("btOK"));
    btOK->setDefault(true);
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lbTitle);
    texts->addWidget(lbAbout);
    texts->addSpacing(10);
    texts->addWidget(lbHomePage);
    texts->addWidget(lbUpdate);
    auto* top = new QHBoxLayout;
    top->setSpacing(18);
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(texts);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOK);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 14);
    layout->addLayout(top);
    layout->addSpacing(12);
    layout->addLayout(buttons);
}

void TfrmAbout::showEvent(QShowEvent* event) {
    if (!IsEnglish(Settings.Lan))
        ApplyLanguage(this, Settings.Lan);
    // The texts may have changed: lay out anew before taking the size.
    layout()->invalidate();
    layout()->activate();
    setFixedSize(sizeHint());
    QDialog::showEvent(event);
}
