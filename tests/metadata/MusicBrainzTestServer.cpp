// The web service for tests (see MusicBrainzTestServer.h): the test web server answering as a
// JSON web service does.
#include "metadata/MusicBrainzTestServer.h"

namespace {

const QByteArray Json = "application/json; charset=utf-8";

} // namespace

TWebTestServer::TWebTestServer() {
    Server.SetDefault("{\"error\": \"Not Found\", \"help\": \"test server\"}", 404, Json);
}

void TWebTestServer::SetAnswer(const QString& prefix, int status, const QByteArray& body) {
    Server.SetPrefix(prefix, body, status, Json);
}

void TWebTestServer::QueueStatus(int status) {
    Server.QueueStatus(status, "{\"error\": \"queued status\"}");
}
