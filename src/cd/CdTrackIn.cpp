// TCdTrackIn: sectors of a drive as a stream source.
#include "cd/CdTrackIn.h"

#include "audio/AuException.h"
#include "core/LanguageText.h"

#include <algorithm>

TCdTrackIn::TCdTrackIn(QObject* owner) : TAuInput(owner) {}

TCdTrackIn::~TCdTrackIn() {
    // Sinks stop reading before the block goes.
    ReleaseConsumers();
}

void TCdTrackIn::SetRange(int handle, int32_t firstSector, int32_t sectorCount) {
    std::lock_guard lock(DataLock);
    Handle = handle;
    FirstSector = firstSector;
    SectorCount = std::max(0, sectorCount);
}

void TCdTrackIn::BeginReadingInternal() {
    if (Busy)
        throw EAuException(QStringLiteral("The component is Busy"));
    Busy = true;
    Position = 0;
    Size = int64_t(SectorCount) * CDSectorBytes;
    NextSector = FirstSector;
    BlockFirst = 1;
    BlockLast = 0;
    Block = NewCDReadBuffer(uint32_t(FirstSector), MaxSectorsPerRead);
}

void TCdTrackIn::EndReadingInternal() {
    Block.reset();
    Busy = false;
}

void TCdTrackIn::ReadInternal(uint8_t*& buffer, uint32_t& bytes) {
    if (!Busy)
        throw EAuException(QStringLiteral("The Stream is not opened"));
    if (BlockLast < BlockFirst) {
        const int32_t end = FirstSector + SectorCount;
        if (NextSector >= end) {
            buffer = nullptr;
            bytes = 0;
            return;
        }
        const int32_t n = std::min<int32_t>(MaxSectorsPerRead, end - NextSector);
        Block->FirstSector = uint32_t(NextSector);
        Block->SectorCount = uint32_t(n);
        if (ReadCDAudioLBA(Handle, Block.get()) != 1) {
            QString text = LoadResText(QStringLiteral("RES_ReadCDAudioError"),
                                       QStringLiteral("Error while reading CD information!"));
            if (text.isEmpty())
                text = QStringLiteral("Error while reading CD information!");
            const QString why = CDLastError();
            throw EAuException(why.isEmpty() ? text : text + QStringLiteral(" (") + why + ')');
        }
        NextSector += n;
        BlockFirst = 1;
        BlockLast = int32_t(Block->BytesReturned);
    }
    bytes = std::min<uint32_t>(bytes, uint32_t(BlockLast - BlockFirst + 1));
    buffer = Block->Data() + Block->DataOffset + BlockFirst - 1;
    BlockFirst += int32_t(bytes);
    Position += bytes;
}
