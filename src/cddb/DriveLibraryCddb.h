// The CDDB functions of the CD drive library: the CDDB HTTP protocol, with options set once
// for the queries that follow. A query reads the disc's TOC (in minutes/seconds/frames, as
// every caller does), asks the server for matching entries and returns them as match records,
// from which CDDBGetDiskInfo reads an entry's xmcd text. They sit with the CDDB subsystem,
// above the drive library they read the disc through.
#pragma once

#include <QString>

#include <cstdint>

enum TCDDBOption : int {
    CDDB_OPT_SERVER = 0,    // text: host name ("gnudb.gnudb.org", "host:port") or base URL
    CDDB_OPT_PROXY = 1,     // text: proxy host
    CDDB_OPT_USEPROXY = 2,  // number: non-zero = use the proxy
    CDDB_OPT_AGENT = 3,     // text: client name and version separated by a blank ("program 1.0")
    CDDB_OPT_USER = 4,      // text: the user's e-mail address
    CDDB_OPT_PROXYPORT = 5, // number: proxy port
    CDDB_OPT_CGI = 6,       // text: path of the server's script ("/~cddb/cddb.cgi")
    CDDB_OPT_RESERVED = 8,  // accepted and ignored
};

#pragma pack(push, 1)

// One match, in our own 192-byte layout. Texts are NUL-terminated ISO-8859-1.
struct TCDDBMatch {
    char Category[24];
    char DiscId[12];
    char Title[156]; // "Artist / Title", cut to fit
};
static_assert(sizeof(TCDDBMatch) == 192);

struct TCDDBQueryRecord {
    int32_t Count;       // in: room in Matches (at most 10 are used); out: matches found
    TCDDBMatch* Matches; // zeroed by the caller
};

#pragma pack(pop)

constexpr int MaxCDDBMatches = 10;
constexpr int CDDBDiskInfoBytes = 32000;

void CDDBSetOption(int option, const char* text, int number);
// 1 when the server answered the query: Count is then the number of matches (0 for "no
// match"). 0 otherwise; CDDBLastError says why.
int CDDBQuery(int handle, TCDDBQueryRecord* query);
// Reads the entry of a match into `buffer` (the xmcd lines without the status line and the
// terminating ".", NUL-terminated, cut to `size` - 1 bytes). 1 on success.
int CDDBGetDiskInfo(const TCDDBMatch* match, char* buffer, int size);
// The last CDDB status of the calling thread: the server's status code of the last answer,
// -1 when the server could not be reached, 0 before any query.
int GetAspiLibError();
// The calling thread's last CDDB failure as one line: the server's status line
// ("500 Unknown developer email") or the connection error ("could not connect to HOST").
QString CDDBLastError();
