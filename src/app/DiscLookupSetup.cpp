// The sources of a disc lookup (see DiscLookupSetup.h).
#include "app/DiscLookupSetup.h"

#include "cddb/CDDBInfo.h"
#include "cddb/CDDBRecord.h"
#include "cddb/protocol/CddbProtocol.h"

namespace {

QString BaseUrl(QString server) {
    server = server.trimmed();
    while (server.endsWith('/'))
        server.chop(1);
    if (!server.contains(QLatin1String("://")))
        server.prepend(QLatin1String("http://"));
    return server;
}

TDiscCandidate CandidateOf(const TCDDBRecord& record, const QString& category, const QString& discId) {
    TDiscCandidate c;
    c.Record = DiscRecordOf(record);
    // A lookup names the disc; the comment the user typed stays.
    c.Record.Comment.reset();
    c.Artist = CleanLookupText(record.DiscArtist);
    c.Album = CleanLookupText(record.DiscTitle);
    c.Year = CleanLookupText(record.Year, 4);
    c.Format = QStringLiteral("CDDB ") + category;
    c.TrackCount = record.TrackCount;
    c.Id = category + ' ' + discId;
    c.Record.Artist = c.Artist;
    c.Record.Album = c.Album;
    for (QString& title : c.Record.Titles)
        title = CleanLookupText(title);
    return c;
}

} // namespace

TLookupAnswer TCddbLookupSource::Look(const TDisc& disc) {
    TLookupAnswer answer;
    answer.Source = Name();
    answer.IdLine = QStringLiteral("discid: ") + disc.CddbDiscId();
    if (Options.RequireEmail && Options.Email.trimmed().isEmpty()) {
        answer.NeedsEmail = true;
        answer.Error = QStringLiteral("no e-mail address for the CDDB hello (QueryCDDB/Email): gnudb answers only "
                                      "queries that carry one");
        return answer;
    }
    TCDDBInfo info;
    info.Server = BaseUrl(Options.Server);
    info.Script = Options.Script;
    // Never empty: an empty field would be taken from the settings, on this worker thread.
    info.Email = Options.Email.trimmed().isEmpty() ? LocalCddbAddress() : Options.Email;
    info.ApplicationName = Options.ClientName.isEmpty() ? QStringLiteral("Discwright") : Options.ClientName;
    info.ApplicationVersion = Options.Version;
    TCDDBQuery& query = info.QueryObject();
    const int code = query.Query(disc.CddbDiscId(), disc.CddbQueryNumbers());
    if (!query.RecordRead) {
        answer.Error =
            query.LastError.isEmpty() ? QStringLiteral("nothing found (status %1)").arg(code) : query.LastError;
        if (answer.Error.contains(QLatin1String("email"), Qt::CaseInsensitive))
            answer.Error += QStringLiteral(" (set your e-mail address: QueryCDDB/Email)");
        return answer;
    }
    const QStringList matches = query.Matches;
    for (int i = 0; i < matches.size() && i < 10; ++i) {
        if (i > 0 && !query.Read(i))
            continue;
        QString category;
        QString discId;
        QString title;
        TCDDBQuery::SplitMatch(matches[i], category, discId, title);
        answer.Candidates.push_back(CandidateOf(query.Record, category, discId));
    }
    return answer;
}

bool LookupSetupFrom(const TSettings& s, TLookupSetup& setup, QString& error) {
    if (!ParseLookupSources(s.MetadataSources, setup.Order, error))
        return false;
    setup.MusicBrainz.Server = s.MusicBrainzServer;
    setup.MusicBrainz.Contact = s.MetadataContact;
    setup.Cddb.Server = s.Server;
    setup.Cddb.Script = s.Script;
    setup.Cddb.Email = s.Email;
    setup.Cddb.ClientName = s.ClientName;
    return true;
}

TLookupSources MakeLookupSources(const TLookupSetup& setup, const TCdText& cdText) {
    TLookupSources sources;
    for (const QString& name : setup.Order) {
        if (name == QLatin1String("cdtext"))
            sources.push_back(std::make_unique<TCdTextSource>(cdText));
        else if (name == QLatin1String("musicbrainz"))
            sources.push_back(std::make_unique<TMusicBrainzSource>(setup.MusicBrainz));
        else if (name == QLatin1String("cddb"))
            sources.push_back(std::make_unique<TCddbLookupSource>(setup.Cddb));
    }
    return sources;
}
