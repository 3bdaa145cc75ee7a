// The query dialog without its widgets: the server list, the script, the proxy and the hello
// fields as the dialog shows them, the Default button, and Query, which stores them in the
// Settings record and makes the stop window's controller.
#pragma once

#include "cddb/StopQueryController.h"

#include <QObject>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class TQueryCddbController : public QObject {
    Q_OBJECT
public:
    explicit TQueryCddbController(QObject* parent = nullptr);

    // Hosts that serve the CDDB protocol over HTTP at the default script, the default first.
    static QStringList ServerList();
    static QString DefaultScript();

    // Set by the main window before showing the dialog.
    uint8_t FirstTrack = 1;
    uint8_t LastTrack = 1;
    int DriveHandle = 0;
    std::function<void(const TQueryCddbResult&)> OnResult; // handed to the stop window

    // What the controls hold; the widget writes the edits back as the user types.
    QString ServerText;
    int ServerIndex = 0;
    QString Script;
    bool UseProxy = false;
    QString ProxyAddress;
    QString Port;
    QString Email;
    QString ClientName;
    bool ProxyFieldsEnabled() const { return UseProxy; }
    // No e-mail address for the hello yet: the window asks for one before the query.
    bool NeedsEmail() const { return Email.trimmed().isEmpty(); }

    // On show: the controls from the Settings record; the stored server as it was stored
    // (the list's entry when it is one of them).
    void Show();
    void SetUseProxy(bool use);
    // bDefault: the first server, the default script, no proxy (address and port kept).
    void Default();
    // bQuery: stores the controls in the Settings record and returns the stop window's
    // controller, ready to start; its Yes end closes this dialog (see StopWindowEnded).
    std::unique_ptr<TStopQueryController> Query();
    void StopWindowEnded(TStopQueryEnd end);
    bool CloseRequested() const { return Closing; }

Q_SIGNALS:
    void Changed();
    void CloseDialog();

private:
    bool Closing = false;
};
