// Candidates and answers of a lookup (see DiscCandidate.h).
#include "metadata/DiscCandidate.h"

#include <QStringList>

QString TDiscCandidate::Description() const {
    QStringList facts;
    for (const QString& fact : {Year, Country, Format})
        if (!fact.isEmpty())
            facts << fact;
    QString text = Artist + QStringLiteral(" / ") + Album;
    if (!facts.isEmpty())
        text += QStringLiteral(" (") + facts.join(QStringLiteral(", ")) + ')';
    return text;
}

QString CleanLookupText(const QString& text, int limit) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        out += c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0) ? QChar(' ') : c;
    out = out.simplified();
    if (out.size() > limit) {
        out.truncate(limit);
        // Never half a surrogate pair.
        if (out.back().isHighSurrogate())
            out.chop(1);
    }
    return out;
}
