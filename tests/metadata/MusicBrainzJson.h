// Canned MusicBrainz answers for tests, written by hand in the shape of the web service's
// JSON (web service 2, inc=recordings+artist-credits+labels).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// One track list of a medium as JSON.
inline QByteArray TracksJson(const QStringList& titles) {
    QByteArray json;
    for (int i = 0; i < titles.size(); ++i)
        json +=
            (i ? "," : "") + QStringLiteral(R"J({"position":%1,"number":"%1","title":"%2","recording":{"title":"x"}})J")
                                 .arg(i + 1)
                                 .arg(titles[i])
                                 .toUtf8();
    return "[" + json + "]";
}

// The answer to /ws/2/discid/<id>: two releases of the disc. The first is a one-disc CD from
// GB on two labels; the second a two-disc US release whose second medium is this disc.
inline QByteArray TwoReleasesJson(const QString& discId) {
    const QByteArray id = discId.toUtf8();
    return R"J({"id":")J" + id + R"J(","sectors":5047,"offset-count":4,"releases":[
 {"id":"11111111-1111-1111-1111-111111111111","title":"First Album","date":"1999-05-01","country":"GB",
  "barcode":"5012345678900","artist-credit":[{"name":"Some Band","joinphrase":" feat. "},{"name":"Guest","joinphrase":""}],
  "label-info":[{"catalog-number":"X1","label":{"name":"Label One"}},{"label":{"name":"Label Two"}}],
  "media":[{"position":1,"format":"CD","track-count":4,"discs":[{"id":")J" +
           id + R"J("}],
   "tracks":)J" +
           TracksJson({"Opening", "Second Song", "Third", "Closing"}) + R"J(}]},
 {"id":"22222222-2222-2222-2222-222222222222","title":"First Album (Deluxe)","date":"2009","country":"US",
  "barcode":"","artist-credit":[{"name":"Some Band","joinphrase":""}],"label-info":[],
  "media":[{"position":1,"format":"CD","track-count":2,"discs":[{"id":"other"}],"tracks":)J" +
           TracksJson({"Bonus A", "Bonus B"}) + R"J(},
   {"position":2,"format":"Enhanced CD","track-count":4,"discs":[{"id":")J" +
           id + R"J("}],
   "tracks":)J" +
           TracksJson({"Opening (Remaster)", "Second Song (Remaster)", "Third (Remaster)", "Closing (Remaster)"}) +
           R"J(}]}
]})J";
}
