// The no-device hint (see NoDeviceHint.h).
#include "app/NoDeviceHint.h"

#include "app/MainFormIcons.h"
#include "core/Settings.h"
#include "platform/Prompter.h"
#include "widgets/Language.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    label->setFixedWidth(440);
    return label;
}

} // namespace

TfrmNoDeviceHint::TfrmNoDeviceHint(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmNoDeviceHint"));
    setWindowTitle(ApplicationTitle());
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(ToolIcon(TToolIcon::Disc).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    lbHint = NewLabel(this, "lbHint",
                      QStringLiteral("The Software couldn't find CD devices.Please check the following problems:"));
    QFont bold = lbHint->font();
    bold.setBold(true);
    lbHint->setFont(bold);
    lbCause1 = NewLabel(this, "lbCause1",
                        QStringLiteral("1.The CD drive is in use by another program, such as a CD player, a multimedia "
                                       "player or other CD ripper software."));
    lbCause2 = NewLabel(this, "lbCause2",
                        QStringLiteral("2.Your permissions: reading a CD needs access to the drive's device node "
                                       "(/dev/sr0 and the like); on Debian, add your user to the group cdrom."));
    lbCause3 = NewLabel(this, "lbCause3",
                        QStringLiteral("3.No CD drive in this computer: open a disc image (a .cue sheet or a .toc "
                                       "file with its audio files) instead, and use it like a CD."));

    btOpenImage = new QPushButton(QStringLiteral("Open disc &image..."), this);
    btOpenImage->setObjectName(QStringLiteral("btOpenImage"));
    btClose = new QPushButton(QStringLiteral("&Close"), this);
    btClose->setObjectName(QStringLiteral("btClose"));
    btClose->setDefault(true);
    connect(btOpenImage, &QPushButton::clicked, this, [this] { done(OpenImageResult); });
    btOpenDemo = new QPushButton(QStringLiteral("Open the &demo disc"), this);
    btOpenDemo->setObjectName(QStringLiteral("btOpenDemo"));
    connect(btOpenDemo, &QPushButton::clicked, this, [this] { done(OpenDemoResult); });
    connect(btClose, &QPushButton::clicked, this, [this] { done(CloseResult); });

    auto* texts = new QVBoxLayout;
    texts->setSpacing(10);
    for (QLabel* l : {lbHint, lbCause1, lbCause2, lbCause3})
        texts->addWidget(l);
    auto* top = new QHBoxLayout;
    top->setSpacing(14);
    top->addWidget(icon);
    top->addLayout(texts);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOpenDemo);
    buttons->addWidget(btOpenImage);
    buttons->addWidget(btClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(buttons);
}

void TfrmNoDeviceHint::showEvent(QShowEvent* event) {
    if (!IsEnglish(Settings.Lan))
        ApplyLanguage(this, Settings.Lan);
    setWindowTitle(ApplicationTitle());
    // Fixed size, fitted to the texts of the language in use.
    // The texts may have changed: lay out anew before taking the size.
    layout()->invalidate();
    layout()->activate();
    setFixedSize(sizeHint());
    QDialog::showEvent(event);
}
