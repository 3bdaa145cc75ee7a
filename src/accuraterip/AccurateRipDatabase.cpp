// Reading the AccurateRip database (see AccurateRipDatabase.h).
#include "accuraterip/AccurateRipDatabase.h"

#include "platform/HttpGet.h"

#include <QtEndian>

#include <algorithm>

namespace {

constexpr int HeaderBytes = 13;
constexpr int EntryBytes = 9;
// A disc of 99 tracks in a few hundred pressings stays far below this.
constexpr int64_t MaxAnswerBytes = 1024 * 1024;

QString Hex8(uint32_t value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0'));
}

} // namespace

bool ParseAccurateRip(const QByteArray& data, const TAccurateRipIds& disc, std::vector<TAccurateRipBlock>& blocks,
                      QString& error) {
    blocks.clear();
    // Nothing of a malformed file is kept.
    const auto fail = [&](const QString& reason) {
        blocks.clear();
        error = reason;
        return false;
    };
    if (data.isEmpty())
        return fail(QStringLiteral("AccurateRip: the answer is empty"));
    if (data.startsWith('<') || data.trimmed().startsWith("<!"))
        return fail(QStringLiteral("AccurateRip: the server sent a web page, not a database file"));
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    qsizetype at = 0;
    while (at < data.size()) {
        if (data.size() - at < HeaderBytes)
            return fail(QStringLiteral("AccurateRip: the answer ends inside a block header"));
        TAccurateRipBlock block;
        block.Ids.AudioTracks = p[at];
        block.Ids.Id1 = qFromLittleEndian<uint32_t>(p + at + 1);
        block.Ids.Id2 = qFromLittleEndian<uint32_t>(p + at + 5);
        block.Ids.Cddb = qFromLittleEndian<uint32_t>(p + at + 9);
        at += HeaderBytes;
        if (block.Ids.AudioTracks != disc.AudioTracks || block.Ids.Id1 != disc.Id1 || block.Ids.Id2 != disc.Id2 ||
            block.Ids.Cddb != disc.Cddb)
            return fail(QStringLiteral("AccurateRip: a block is for another disc (%1, this disc is %2)")
                            .arg(block.Ids.Text(), disc.Text()));
        if (data.size() - at < qsizetype(block.Ids.AudioTracks) * EntryBytes)
            return fail(
                QStringLiteral("AccurateRip: the answer ends inside a block of %1 tracks").arg(block.Ids.AudioTracks));
        for (int t = 0; t < block.Ids.AudioTracks; ++t) {
            TAccurateRipEntry e;
            e.Confidence = p[at];
            e.Checksum = qFromLittleEndian<uint32_t>(p + at + 1);
            e.Frame450 = qFromLittleEndian<uint32_t>(p + at + 5);
            block.Tracks.push_back(e);
            at += EntryBytes;
        }
        blocks.push_back(block);
    }
    return true;
}

TAccurateRipAnswer FetchAccurateRip(const QString& server, const TAccurateRipIds& ids) {
    TAccurateRipAnswer answer;
    THttpRequest request;
    request.Url = ids.Url(server);
    request.UserAgent = QStringLiteral("Discwright/") + QStringLiteral(DW_VERSION);
    request.MaxBytes = MaxAnswerBytes;
    const THttpResponse response = HttpGet(request);
    answer.Kind = TAccurateRipAnswer::Failed;
    switch (response.Failure) {
    case THttpFailure::None:
        break;
    case THttpFailure::NoConnect:
        answer.Error = QStringLiteral("AccurateRip: could not connect to ") + response.Host;
        return answer;
    case THttpFailure::Timeout:
        answer.Error = QStringLiteral("AccurateRip: ") + response.Host + QStringLiteral(" did not answer in time");
        return answer;
    case THttpFailure::TooLarge:
        answer.Error = QStringLiteral("AccurateRip: ") + response.Host + QStringLiteral(" sent too large an answer");
        return answer;
    case THttpFailure::Other:
        answer.Error = QStringLiteral("AccurateRip: ") + response.Host + QStringLiteral(": ") + response.Detail;
        return answer;
    }
    if (response.Status == 404) {
        answer.Kind = TAccurateRipAnswer::NotInDatabase;
        return answer;
    }
    if (response.Status != 200) {
        answer.Error = QStringLiteral("AccurateRip: the server answered with HTTP status %1").arg(response.Status);
        return answer;
    }
    if (!ParseAccurateRip(response.Body, ids, answer.Blocks, answer.Error))
        return answer;
    answer.Kind = TAccurateRipAnswer::Found;
    return answer;
}

TAccurateRipVerdict JudgeTrack(const TAccurateRipAnswer& answer, int index, uint32_t v1, uint32_t v2) {
    TAccurateRipVerdict verdict;
    switch (answer.Kind) {
    case TAccurateRipAnswer::NotAsked:
        verdict.Text = QStringLiteral("not checked");
        return verdict;
    case TAccurateRipAnswer::NotInDatabase:
        verdict.Kind = TAccurateRipVerdict::NotInDatabase;
        verdict.Text = QStringLiteral("not in the database");
        return verdict;
    case TAccurateRipAnswer::Failed:
        verdict.Kind = TAccurateRipVerdict::Unavailable;
        verdict.Text = QStringLiteral("no result (") + answer.Error + ')';
        return verdict;
    case TAccurateRipAnswer::Found:
        break;
    }
    QStringList known;
    for (const TAccurateRipBlock& block : answer.Blocks) {
        if (index < 0 || size_t(index) >= block.Tracks.size())
            continue;
        const TAccurateRipEntry& e = block.Tracks[size_t(index)];
        if (e.Checksum == v1 || e.Checksum == v2) {
            verdict.Kind = TAccurateRipVerdict::Accurate;
            verdict.Confidence = std::max<int32_t>(verdict.Confidence, e.Confidence);
        } else {
            known << Hex8(e.Checksum) + QStringLiteral(" (confidence %1)").arg(e.Confidence);
        }
    }
    if (verdict.Kind == TAccurateRipVerdict::Accurate) {
        verdict.Text = QStringLiteral("accurately ripped (confidence %1)").arg(verdict.Confidence);
    } else {
        verdict.Kind = TAccurateRipVerdict::NotAccurate;
        verdict.Text = QStringLiteral("not accurate (database: ") + known.join(QStringLiteral(", ")) + ')';
    }
    return verdict;
}
