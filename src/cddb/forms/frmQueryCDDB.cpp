// The query dialog's window (see frmQueryCDDB.h).
#include "cddb/forms/frmQueryCDDB.h"

#include "cddb/forms/CddbEmailDialog.h"
#include "cddb/forms/JpegImage.h"
#include "cddb/forms/frmStopQuery.h"
#include "core/Settings.h"
#include "widgets/Language.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <class T> T* Named(T* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel* Label(const char* name, const QString& text) {
    return Named(new QLabel(text), name);
}

} // namespace

TfrmQueryCDDB::TfrmQueryCDDB(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmQueryCDDB"));
    setWindowTitle(QStringLiteral("Query CDDB"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

    imgPicture = Named(new QLabel, "imgPicture");
    imgPicture->setPixmap(QPixmap::fromImage(LoadJpeg(QStringLiteral(":/cddb/QueryCddb.jpg"))));
    imgPicture->setAlignment(Qt::AlignTop);

    cbServer = Named(new QComboBox, "cbServer");
    cbServer->setEditable(true);
    cbServer->addItems(TQueryCddbController::ServerList());
    cbServer->setMinimumWidth(220);
    eScript = Named(new QLineEdit, "eScript");
    eEmail = Named(new QLineEdit, "eEmail");
    eClientName = Named(new QLineEdit, "eClientName");
    auto* server = Named(new QGroupBox(QStringLiteral("Server")), "gbServer");
    auto* serverForm = new QFormLayout(server);
    serverForm->addRow(Label("lServer", QStringLiteral("Freedb Server:")), cbServer);
    serverForm->addRow(Label("lScript", QStringLiteral("Query Script:")), eScript);
    serverForm->addRow(Label("lEmail", QStringLiteral("E-mail:")), eEmail);
    serverForm->addRow(Label("lClientName", QStringLiteral("Client name:")), eClientName);

    cbProxy = Named(new QCheckBox(QStringLiteral("Use a proxy server")), "cbProxy");
    eAddress = Named(new QLineEdit, "eAddress");
    ePort = Named(new QLineEdit, "ePort");
    ePort->setMaximumWidth(70);
    auto* proxy = Named(new QGroupBox(QStringLiteral("Proxy server")), "gbProxy");
    auto* proxyLayout = new QVBoxLayout(proxy);
    proxyLayout->addWidget(cbProxy);
    auto* proxyRow = new QHBoxLayout;
    proxyRow->addWidget(Label("lAddress", QStringLiteral("Address:")));
    proxyRow->addWidget(eAddress, 1);
    proxyRow->addWidget(Label("lPort", QStringLiteral("Port:")));
    proxyRow->addWidget(ePort);
    proxyLayout->addLayout(proxyRow);

    bDefault = Named(new QPushButton(QStringLiteral("Default")), "bDefault");
    bQuery = Named(new QPushButton(QStringLiteral("Query")), "bQuery");
    bClose = Named(new QPushButton(QStringLiteral("Close")), "bClose");
    bQuery->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bDefault);
    buttons->addStretch(1);
    buttons->addWidget(bQuery);
    buttons->addWidget(bClose);

    auto* right = new QVBoxLayout;
    right->addWidget(server);
    right->addWidget(proxy);
    right->addStretch(1);
    right->addLayout(buttons);
    auto* all = new QHBoxLayout(this);
    all->addWidget(imgPicture);
    all->addLayout(right, 1);
    all->setSizeConstraint(QLayout::SetFixedSize);

    connect(&Controller, &TQueryCddbController::Changed, this, &TfrmQueryCDDB::UpdateControls);
    connect(&Controller, &TQueryCddbController::CloseDialog, this, &QDialog::accept);
    connect(cbServer, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (!Updating) {
            Controller.ServerText = text;
            Controller.ServerIndex = cbServer->currentIndex();
        }
    });
    connect(eScript, &QLineEdit::textEdited, this, [this](const QString& t) { Controller.Script = t; });
    connect(eEmail, &QLineEdit::textEdited, this, [this](const QString& t) { Controller.Email = t; });
    connect(eClientName, &QLineEdit::textEdited, this, [this](const QString& t) { Controller.ClientName = t; });
    connect(eAddress, &QLineEdit::textEdited, this, [this](const QString& t) { Controller.ProxyAddress = t; });
    connect(ePort, &QLineEdit::textEdited, this, [this](const QString& t) { Controller.Port = t; });
    connect(cbProxy, &QCheckBox::toggled, this, [this](bool on) {
        if (!Updating)
            Controller.SetUseProxy(on);
    });
    connect(bDefault, &QPushButton::clicked, &Controller, &TQueryCddbController::Default);
    connect(bQuery, &QPushButton::clicked, this, &TfrmQueryCDDB::bQueryClick);
    connect(bClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmQueryCDDB::showEvent(QShowEvent* e) {
    if (!IsEnglish(Settings.Lan))
        ApplyLanguage(this, Settings.Lan);
    Controller.FirstTrack = FirstTrack;
    Controller.LastTrack = LastTrack;
    Controller.DriveHandle = DriveHandle;
    Controller.Show();
    QDialog::showEvent(e);
}

void TfrmQueryCDDB::UpdateControls() {
    Updating = true;
    cbServer->setCurrentIndex(Controller.ServerIndex);
    cbServer->setEditText(Controller.ServerText);
    eScript->setText(Controller.Script);
    eEmail->setText(Controller.Email);
    eClientName->setText(Controller.ClientName);
    cbProxy->setChecked(Controller.UseProxy);
    eAddress->setText(Controller.ProxyAddress);
    ePort->setText(Controller.Port);
    eAddress->setEnabled(Controller.ProxyFieldsEnabled());
    ePort->setEnabled(Controller.ProxyFieldsEnabled());
    Updating = false;
}

void TfrmQueryCDDB::bQueryClick() {
    if (Controller.NeedsEmail()) {
        QString email;
        if (!AskCddbEmail(this, email))
            return;
        Controller.Email = email;
        eEmail->setText(email);
    }
    TfrmStopQuery stop(Controller.Query(), this);
    stop.exec();
    Controller.StopWindowEnded(stop.Logic().End());
}
