// The MusicBrainz web service (version 2) as a source of disc metadata: looks a disc up by its
// disc id, and by its table of contents when the id is unknown. Requests carry a User-Agent
// naming the program, its version and a contact, go out at most one a second from the whole
// process, and a 503 (the service's "too many requests") is tried once more after 2 s.
// Blocking, with the HTTP limits of platform/HttpGet.h; run it off the main thread.
#pragma once

#include "cd/Disc.h"
#include "metadata/DiscCandidate.h"

#include <QString>

struct TMusicBrainzOptions {
    QString Server = QStringLiteral("https://musicbrainz.org"); // base URL, no trailing slash needed
    QString Contact;                                            // an e-mail address or web page
    QString Version = QStringLiteral(DW_VERSION);
};

// "Discwright/<version> ( <contact> )"; without a contact only the program and version.
QString MusicBrainzUserAgent(const TMusicBrainzOptions& options);
// <server>/ws/2/discid/<id>?inc=recordings+artist-credits+labels&fmt=json, and with a toc
// (the fuzzy lookup of an unknown id) ...?toc=<toc>&cdstubs=no&inc=...&fmt=json.
QString MusicBrainzDiscIdUrl(const QString& server, const QString& discId);
QString MusicBrainzTocUrl(const QString& server, const QString& discId, const QString& toc);

// Looks the disc up: the disc id first, its toc when MusicBrainz does not know the id. The
// answer's IdLine is "mbdiscid: <id>"; without candidates its Error says why (nothing found,
// a server that cannot be reached or sent something else, HTTP 503 twice, 404, 500).
TLookupAnswer LookUpMusicBrainz(const TDisc& disc, const TMusicBrainzOptions& options);
