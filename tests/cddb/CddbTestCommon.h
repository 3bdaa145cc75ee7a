// Shared pieces of the CDDB tests: a fixture with a program folder, the test server and short
// HTTP limits, canned server answers.
#pragma once

#include "cddb/CddbTestServer.h"
#include "support/TestSupport.h"

#include <QByteArray>
#include <QStringList>

#include <gtest/gtest.h>

// An xmcd entry as a read answer: status line, comments, the given key lines and ".".
inline QByteArray ReadAnswer(const QString& category, const QString& discId, const QStringList& keyLines) {
    QString text =
        QStringLiteral("210 %1 %2 CD database entry follows (until terminating `.')\r\n").arg(category, discId);
    text += QStringLiteral("# xmcd\r\n#\r\n# Disc length: 67 seconds\r\n#\r\n# Generated: test server\r\n#\r\n");
    text += QStringLiteral("DISCID=") + discId + QStringLiteral("\r\n");
    for (const QString& line : keyLines)
        text += line + QStringLiteral("\r\n");
    text += QStringLiteral(".\r\n");
    return text.toLatin1();
}

// The four-track entry of the standard fixture disc (disc id 26004104).
inline QStringList StandardEntryLines() {
    return {QStringLiteral("DTITLE=Some Band / First Album"),
            QStringLiteral("DYEAR=1999"),
            QStringLiteral("DGENRE=Rock"),
            QStringLiteral("TTITLE0=Opening"),
            QStringLiteral("TTITLE1=Second Song"),
            QStringLiteral("TTITLE2=Guest Singer / Third"),
            QStringLiteral("TTITLE3=Clos\xe9"),
            QStringLiteral("EXTD=Recorded live"),
            QStringLiteral("PLAYORDER=")};
}

class CddbServerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TTempProgramFolder Folder;
    TCddbTestServer Server;
};
