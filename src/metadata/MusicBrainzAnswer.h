// MusicBrainz's answers to a disc lookup (web service 2, JSON): the releases that hold the
// disc, each with the medium that is this disc and its tracks, as lookup candidates.
#pragma once

#include "metadata/DiscCandidate.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The disc the answer is about: its MusicBrainz disc id and its number of audio tracks.
struct TMusicBrainzDisc {
    QString DiscId;
    int TrackCount = 0;
};

// Reads an answer of /ws/2/discid/<id> (a disc and its releases) or of a toc lookup (a
// release list). For each release the medium whose discs list our id gives the titles, or,
// when none does (a toc lookup), the first medium with as many tracks as the disc. A release
// whose medium has fewer tracks than the disc is left out. Artist credits are joined with
// their join phrases; texts are cleaned (CleanLookupText). False with a one-line `error` for an
// answer that is not what MusicBrainz sends, or when no release fits (candidates empty then).
bool ParseMusicBrainzAnswer(const QByteArray& json, const TMusicBrainzDisc& disc,
                            std::vector<TDiscCandidate>& candidates, QString& error);

// The text of a MusicBrainz error answer ({"error": "..."}), or empty.
QString MusicBrainzErrorText(const QByteArray& json);
