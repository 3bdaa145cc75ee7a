// Shared pieces of the CDDB tests (see CddbTestCommon.h).
#include "cddb/CddbTestCommon.h"

#include "cddb/protocol/CddbHttp.h"
#include "core/Settings.h"

void CddbServerTest::SetUp() {
    // Requests to the test server must not go to a proxy of the machine.
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
    SetHttpLimits(2000, 5000);
    // The address of a user who gave one (the setting starts empty; the windows ask for it).
    Settings.Email = "user@example.org";
}

void CddbServerTest::TearDown() {
    SetHttpLimits(10000, 30000);
}
