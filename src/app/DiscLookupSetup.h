// The sources of a disc lookup as the settings (or the command line) name them: CD-TEXT, the
// MusicBrainz server and the CDDB server, in the order of Metadata/Sources. The CDDB source
// lives here, above both the lookup and the CDDB subsystem it asks through. Used by the main
// window and by discwright-cli's lookup command.
#pragma once

#include "cd/CdText.h"
#include "core/Settings.h"
#include "metadata/DiscLookup.h"

#include <QString>
#include <QStringList>

struct TCddbLookupOptions {
    QString Server; // base URL (http://host[:port]) or host name
    QString Script = QStringLiteral("/~cddb/cddb.cgi");
    QString Email; // the hello's address; see RequireEmail
    QString ClientName = QStringLiteral("Discwright");
    QString Version = QStringLiteral(DW_VERSION);
    // Ask nothing without an address (the answer says NeedsEmail): the window asks the user
    // first. Otherwise the hello names the login and host instead (CddbHello).
    bool RequireEmail = true;
};

// Asks a CDDB server: every match (at most 10) is read and becomes a candidate.
class TCddbLookupSource : public TLookupSource {
public:
    explicit TCddbLookupSource(TCddbLookupOptions options) : Options(std::move(options)) {}
    QString Name() const override { return QStringLiteral("cddb"); }
    TLookupAnswer Look(const TDisc& disc) override;

private:
    TCddbLookupOptions Options;
};

struct TLookupSetup {
    QStringList Order;
    TMusicBrainzOptions MusicBrainz;
    TCddbLookupOptions Cddb;
};

// The setup the settings describe (main thread). False with `error` for a Metadata/Sources
// that names an unknown source.
bool LookupSetupFrom(const TSettings& settings, TLookupSetup& setup, QString& error);
// The sources of `setup` in its order; `cdText` is the disc's CD-TEXT, read beforehand.
TLookupSources MakeLookupSources(const TLookupSetup& setup, const TCdText& cdText);
