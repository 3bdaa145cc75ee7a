// The CDDB component (see CDDBInfo.h).
#include "cddb/CDDBInfo.h"

#include "core/Settings.h"
#include "audio/AuException.h"

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

bool TCDDBInfo::ReadDisc(TCddbToc& toc) {
    if (Disc)
        return ReadDiscFrom(*Disc, toc);
    if (!CDIn)
        throw EAuException(QStringLiteral("CDIn is not assigned"));
    TCDInDisc disc(*CDIn);
    return ReadDiscFrom(disc, toc);
}

bool TCDDBInfo::ReadDiscFrom(TCddbDisc& disc, TCddbToc& toc) {
    const THold hold(*this, disc);
    // A drive that cannot tell still gets its TOC read.
    if (disc.MediaLoaded() == 0)
        return false;
    return disc.ReadToc(toc) && toc.size() >= 2;
}

QString TCDDBInfo::GetDiscId() {
    TCddbToc toc;
    return ReadDisc(toc) ? CddbDiscId(toc) : QStringLiteral("ffffffff");
}

QString TCDDBInfo::GetQueryString() {
    TCddbToc toc;
    return ReadDisc(toc) ? CddbQueryNumbers(toc) : QString();
}

int TCDDBInfo::Query() {
    LastDiscId = GetDiscId();
    LastQueryString = GetQueryString();
    LastResult = CddbQuery->Query(LastDiscId, LastQueryString);
    return LastResult;
}
