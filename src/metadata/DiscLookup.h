// The lookup of a disc's metadata: sources asked in order (Metadata/Sources), the first whose
// answer holds candidates fills the disc. RunLookup asks on the caller's thread (the
// command-line tool); TDiscLookup asks on a thread of its own and reports on the main thread
// (the main window), so the window stays responsive while a server takes its time.
#pragma once

#include "cd/CdText.h"
#include "cd/Disc.h"
#include "core/JobEvents.h"
#include "metadata/DiscCandidate.h"
#include "metadata/MusicBrainzClient.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

// One source of a lookup. Look runs on the lookup's thread: it may block on the network but
// must not touch the settings, the drive or any window.
class TLookupSource {
public:
    virtual ~TLookupSource() = default;
    virtual QString Name() const = 0;
    virtual TLookupAnswer Look(const TDisc& disc) = 0;
};

// The disc's CD-TEXT, read from the drive before the lookup starts: one candidate when it
// holds a title (of the disc or a track).
class TCdTextSource : public TLookupSource {
public:
    explicit TCdTextSource(TCdText text) : Text(std::move(text)) {}
    QString Name() const override { return QStringLiteral("cdtext"); }
    TLookupAnswer Look(const TDisc& disc) override;

private:
    TCdText Text;
};

// The CD-TEXT as a candidate (the disc's performer and title as artist and album, a title per
// track from the disc's first track on); a candidate without a record when it holds nothing.
TDiscCandidate CdTextCandidate(const TCdText& text, const TDisc& disc);

class TMusicBrainzSource : public TLookupSource {
public:
    explicit TMusicBrainzSource(TMusicBrainzOptions options) : Options(std::move(options)) {}
    QString Name() const override { return QStringLiteral("musicbrainz"); }
    TLookupAnswer Look(const TDisc& disc) override { return LookUpMusicBrainz(disc, Options); }

private:
    TMusicBrainzOptions Options;
};

using TLookupSources = std::vector<std::unique_ptr<TLookupSource>>;

// The source names a lookup knows, in the default order.
QStringList KnownLookupSources();
// Metadata/Sources ("cdtext,musicbrainz,cddb"): the names in the order given, each once,
// blanks and case ignored. False with `error` naming an unknown source or an empty list.
bool ParseLookupSources(const QString& text, QStringList& names, QString& error);

struct TLookupOutcome {
    // Every source asked, in order; the last one holds the candidates when one had some.
    std::vector<TLookupAnswer> Answers;
    bool Found() const { return !Answers.empty() && Answers.back().Found(); }
    const TLookupAnswer& Winner() const { return Answers.back(); }
    // Why nothing was found, one line: each source's reason ("musicbrainz: ...; cddb: ...").
    QString FailureText() const;
    // The answer of a source by name, or nullptr when it was not asked.
    const TLookupAnswer* AnswerOf(const QString& source) const;
};

// Asks the sources in order until one has candidates.
TLookupOutcome RunLookup(const TDisc& disc, const TLookupSources& sources);

class TDiscLookup : public QObject {
    Q_OBJECT
public:
    explicit TDiscLookup(QObject* parent = nullptr);
    ~TDiscLookup() override;

    // Asks the sources on a thread of its own; Finished follows on this object's thread. A
    // lookup still running is abandoned first.
    void Start(const TDisc& disc, TLookupSources sources);
    bool Running() const { return Busy; }
    // The running lookup reports nothing any more (its thread ends on its own, within the
    // HTTP limits).
    void Abandon();

Q_SIGNALS:
    void Finished(const TLookupOutcome& outcome);

protected:
    bool event(QEvent* e) override;

private:
    TPostGuard Inbox{this};
    bool Busy = false;
    int Generation = 0;
};
