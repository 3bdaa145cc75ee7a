// The CDDB component (see CDDBInfo.h).
#include "cddb/CDDBInfo.h"

#include "audio/AuException.h"
#include "core/Settings.h"

class TCDDBInfo::THold {
public:
    THold(TCDDBInfo& info, TCddbDisc& disc) : Info(info) {
        if (Info.HoldCount == 0)
            disc.SelectDrive();
        ++Info.HoldCount;
    }
    ~THold() {
        if (Info.HoldCount > 0)
            --Info.HoldCount;
    }

private:
    TCDDBInfo& Info;
};

QString DefaultCddbBaseUrl() {
    return QStringLiteral("http://") + QString::fromLatin1(DefaultCddbServer);
}

TCDDBInfo::TCDDBInfo(QObject* parent)
    : QObject(parent), ApplicationVersion(QStringLiteral(DW_VERSION)), Server(DefaultCddbBaseUrl()),
      Script(QStringLiteral("/~cddb/cddb.cgi")), CddbQuery(std::make_unique<TCDDBQuery>(this)) {}

TCDDBInfo::~TCDDBInfo() = default;

QString TCDDBInfo::EffectiveEmail() const {
    return Email.isEmpty() ? Settings.Email : Email;
}

QString TCDDBInfo::EffectiveApplicationName() const {
    return ApplicationName.isEmpty() ? Settings.ClientName : ApplicationName;
}

bool TCDDBInfo::ReadDisc(TDisc& disc) {
    if (Disc)
        return ReadDiscFrom(*Disc, disc);
    if (!CDIn)
        throw EAuException(QStringLiteral("CDIn is not assigned"));
    TCDInDisc source(*CDIn);
    return ReadDiscFrom(source, disc);
}

bool TCDDBInfo::ReadDiscFrom(TCddbDisc& source, TDisc& disc) {
    const THold hold(*this, source);
    // A drive that cannot tell still gets its TOC read.
    if (source.MediaLoaded() == 0)
        return false;
    return source.ReadDisc(disc) && !disc.Empty();
}

QString TCDDBInfo::GetDiscId() {
    TDisc disc;
    return ReadDisc(disc) ? disc.CddbDiscId() : QStringLiteral("ffffffff");
}

QString TCDDBInfo::GetQueryString() {
    TDisc disc;
    return ReadDisc(disc) ? disc.CddbQueryNumbers() : QString();
}

int TCDDBInfo::Query() {
    LastDiscId = GetDiscId();
    LastQueryString = GetQueryString();
    LastResult = CddbQuery->Query(LastDiscId, LastQueryString);
    return LastResult;
}
