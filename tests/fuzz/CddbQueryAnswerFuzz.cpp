// CDDB query answers: any text parses to a code and match lines, and every match line splits
// into parts that rebuild it; only well-formed category and disc id pairs are read back.
#include "cddb/CDDBQuery.h"
#include "cddb/protocol/CddbProtocol.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = CddbAnswerText(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    TCDDBQuery query(nullptr);
    const int code = query.ParseQueryAnswer(text);
    if (query.Lines.isEmpty() != (code == -2) || query.Matches.size() > query.Lines.size())
        std::abort();
    for (const QString& line : query.Matches) {
        QString category, discId, title;
        TCDDBQuery::SplitMatch(line, category, discId, title);
        QString rebuilt = category;
        if (line.indexOf(' ') >= 0)
            rebuilt += ' ' + discId;
        if (line.indexOf(' ', category.size() + 1) >= 0)
            rebuilt += ' ' + title;
        if (rebuilt != line)
            std::abort();
        if (CddbIsReadableMatch({category, discId, title}) &&
            (CddbUrlEscape(category) != category || discId.size() > 8))
            std::abort();
    }
    return 0;
}
