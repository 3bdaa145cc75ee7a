// CDDB over HTTP (see CddbHttp.h).
#include "cddb/protocol/CddbHttp.h"

#include "core/LanguageText.h"

bool CddbHttpGet(const QString& url, const QString& agent, const THttpProxy& proxy, QByteArray& body, QString& error) {
    THttpRequest request;
    request.Url = url;
    request.UserAgent = agent;
    request.Proxy = proxy;
    // CDDB answers are a few kilobytes; a server that sends more is not one.
    request.MaxBytes = 1024 * 1024;
    THttpResponse response = HttpGet(request);
    body = response.Body;
    error.clear();
    switch (response.Failure) {
    case THttpFailure::None:
        return true;
    case THttpFailure::NoConnect:
        error = ResText("RES_CDDB_NoConnect", "could not connect to %1").arg(response.Host);
        break;
    case THttpFailure::Timeout:
        error = ResText("RES_CDDB_Timeout", "%1 did not answer in time").arg(response.Host);
        break;
    case THttpFailure::TooLarge:
        error = ResText("RES_CDDB_TooLarge", "%1 sent an answer too large for CDDB").arg(response.Host);
        break;
    case THttpFailure::Other:
        error = response.Host + QStringLiteral(": ") + response.Detail;
        break;
    }
    return false;
}
