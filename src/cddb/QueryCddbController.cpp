// The query dialog's logic (see QueryCddbController.h).
#include "cddb/QueryCddbController.h"

#include "core/Settings.h"

#include <algorithm>

TQueryCddbController::TQueryCddbController(QObject* parent) : QObject(parent) {}

QStringList TQueryCddbController::ServerList() {
    // freedb.org closed in 2020; these still answer the protocol at /~cddb/cddb.cgi.
    return {QString::fromLatin1(DefaultCddbServer), QStringLiteral("freedb.dbpoweramp.com")};
}

QString TQueryCddbController::DefaultScript() {
    return QStringLiteral("/~cddb/cddb.cgi");
}

void TQueryCddbController::Show() {
    const QStringList servers = ServerList();
    ServerIndex = std::max<int>(0, int(servers.indexOf(Settings.Server)));
    // A server typed in by the user is shown again as it was typed.
    ServerText = Settings.Server.trimmed().isEmpty() ? servers[ServerIndex] : Settings.Server;
    Script = Settings.Script;
    UseProxy = Settings.UseProxy;
    ProxyAddress = Settings.ProxyAddress;
    Port = Settings.Port;
    Email = Settings.Email;
    ClientName = Settings.ClientName;
    Closing = false;
    Q_EMIT Changed();
}

void TQueryCddbController::SetUseProxy(bool use) {
    UseProxy = use;
    Q_EMIT Changed();
}

void TQueryCddbController::Default() {
    ServerIndex = 0;
    ServerText = ServerList().first();
    Script = DefaultScript();
    UseProxy = false;
    Q_EMIT Changed();
}

std::unique_ptr<TStopQueryController> TQueryCddbController::Query() {
    Settings.Server = ServerText;
    Settings.Script = Script;
    Settings.UseProxy = UseProxy;
    Settings.ProxyAddress = ProxyAddress;
    Settings.Port = Port;
    Settings.Email = Email;
    Settings.ClientName = ClientName;
    auto stop = std::make_unique<TStopQueryController>();
    stop->FirstTrack = FirstTrack;
    stop->LastTrack = LastTrack;
    stop->DriveHandle = DriveHandle;
    stop->OnResult = OnResult;
    return stop;
}

void TQueryCddbController::StopWindowEnded(TStopQueryEnd end) {
    if (end != TStopQueryEnd::Yes)
        return; // stays open for another try
    Closing = true;
    Q_EMIT CloseDialog();
}
