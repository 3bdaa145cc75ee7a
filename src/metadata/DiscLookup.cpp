// The lookup of a disc's metadata (see DiscLookup.h).
#include "metadata/DiscLookup.h"

#include <thread>

namespace {

constexpr QEvent::Type LookupEndEventType = static_cast<QEvent::Type>(QEvent::User + 110);

class TLookupEndEvent : public QEvent {
public:
    TLookupEndEvent(int generation, TLookupOutcome outcome)
        : QEvent(LookupEndEventType), Generation(generation), Outcome(std::move(outcome)) {}
    int Generation;
    TLookupOutcome Outcome;
};

} // namespace

TDiscCandidate CdTextCandidate(const TCdText& text, const TDisc& disc) {
    TDiscCandidate c;
    if (text.Empty())
        return c;
    c.Artist = CleanLookupText(text.Disc.Performer);
    c.Album = CleanLookupText(text.Disc.Title);
    c.Format = QStringLiteral("CD-TEXT");
    c.TrackCount = disc.TrackCount();
    if (!c.Artist.isEmpty())
        c.Record.Artist = c.Artist;
    if (!c.Album.isEmpty())
        c.Record.Album = c.Album;
    // Titles from the first track on; a track without one keeps the title it has (an empty
    // entry gives the default title, see ListTitle) only when a later track has one.
    QStringList titles;
    for (const TDiscTrack& t : disc.Tracks) {
        const auto it = text.Tracks.find(t.Number);
        titles << (it == text.Tracks.end() ? QString() : CleanLookupText(it->second.Title));
    }
    while (!titles.isEmpty() && titles.back().isEmpty())
        titles.removeLast();
    c.Record.Titles = titles;
    return c;
}

TLookupAnswer TCdTextSource::Look(const TDisc& disc) {
    TLookupAnswer answer;
    answer.Source = Name();
    const TDiscCandidate c = CdTextCandidate(Text, disc);
    if (c.Record.Titles.isEmpty() && !c.Record.Album && !c.Record.Artist)
        answer.Error = QStringLiteral("the disc carries no CD-TEXT");
    else
        answer.Candidates.push_back(c);
    return answer;
}

QStringList KnownLookupSources() {
    return {QStringLiteral("cdtext"), QStringLiteral("musicbrainz"), QStringLiteral("cddb")};
}

bool ParseLookupSources(const QString& text, QStringList& names, QString& error) {
    names.clear();
    error.clear();
    for (const QString& part : text.split(',', Qt::SkipEmptyParts)) {
        const QString name = part.trimmed().toLower();
        if (name.isEmpty())
            continue;
        if (!KnownLookupSources().contains(name)) {
            error = QStringLiteral("unknown metadata source '%1' (known: %2)")
                        .arg(part.trimmed(), KnownLookupSources().join(QStringLiteral(", ")));
            return false;
        }
        if (!names.contains(name))
            names << name;
    }
    if (names.isEmpty()) {
        error = QStringLiteral("no metadata source to ask (known: %1)")
                    .arg(KnownLookupSources().join(QStringLiteral(", ")));
        return false;
    }
    return true;
}

QString TLookupOutcome::FailureText() const {
    QStringList reasons;
    for (const TLookupAnswer& a : Answers)
        if (!a.Found())
            reasons << a.Source + QStringLiteral(": ") +
                           (a.Error.isEmpty() ? QStringLiteral("nothing found") : a.Error);
    return reasons.isEmpty() ? QStringLiteral("no metadata source to ask") : reasons.join(QStringLiteral("; "));
}

const TLookupAnswer* TLookupOutcome::AnswerOf(const QString& source) const {
    for (const TLookupAnswer& a : Answers)
        if (a.Source == source)
            return &a;
    return nullptr;
}

TLookupOutcome RunLookup(const TDisc& disc, const TLookupSources& sources) {
    TLookupOutcome outcome;
    for (const auto& source : sources) {
        outcome.Answers.push_back(source->Look(disc));
        if (outcome.Answers.back().Source.isEmpty())
            outcome.Answers.back().Source = source->Name();
        if (outcome.Answers.back().Found())
            break;
    }
    return outcome;
}

TDiscLookup::TDiscLookup(QObject* parent) : QObject(parent) {}

TDiscLookup::~TDiscLookup() = default;

void TDiscLookup::Start(const TDisc& disc, TLookupSources sources) {
    Abandon();
    Busy = true;
    const int generation = ++Generation;
    std::thread([receiver = Inbox.Handle(), generation, disc, sources = std::move(sources)]() mutable {
        TLookupOutcome outcome = RunLookup(disc, sources);
        sources.clear();
        receiver.Post(new TLookupEndEvent(generation, std::move(outcome)));
    }).detach();
}

void TDiscLookup::Abandon() {
    // The thread's report carries its generation; one of an earlier lookup is dropped.
    ++Generation;
    Busy = false;
}

bool TDiscLookup::event(QEvent* e) {
    if (e->type() != LookupEndEventType)
        return QObject::event(e);
    auto* end = static_cast<TLookupEndEvent*>(e);
    if (end->Generation != Generation || !Busy)
        return true;
    Busy = false;
    Q_EMIT Finished(end->Outcome);
    return true;
}
