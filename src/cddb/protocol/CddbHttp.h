// The HTTP GET of CDDB queries (platform/HttpGet.h) with CDDB's size limit and its messages.
#pragma once

#include "platform/HttpGet.h"

#include <QByteArray>
#include <QString>

// Fetches `url` sending `agent` as the user agent. True with the body when the server
// answered, whatever its HTTP status; false with a one-line reason in `error` ("could not
// connect to HOST", a time-out, an answer too large for CDDB, a refused URL).
bool CddbHttpGet(const QString& url, const QString& agent, const THttpProxy& proxy, QByteArray& body, QString& error);
