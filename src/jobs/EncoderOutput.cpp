// Temporary names and output checks of the encoder runs (see EncoderOutput.h).
#include "jobs/EncoderOutput.h"

#include "audio/AuException.h"
#include "audio/AuFileStream.h"
#include "audio/WaveHeader.h"
#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "platform/TemporaryBeside.h"

#include <QFileInfo>

QString CreateWorkFile(const QString& outputFile, QString& error) {
    return CreateTemporaryBeside(outputFile, QFileInfo(outputFile).fileName(), QStringLiteral(".part"), error);
}

QString MissingOutputProblem(const QString& path, const QString& shownName, const QString& program) {
    const QFileInfo info(path);
    if (!info.exists())
        return ResText("RES_Output_Missing", "%1 wrote no output to %2.").arg(program, shownName);
    if (info.size() == 0)
        return ResText("RES_Output_Empty", "%1 left %2 empty.").arg(program, shownName);
    return QString();
}

QString WavOutputProblem(const QString& path, const QString& shownName) {
    const QString notWav = ResText("RES_Output_Not_Wav", "%1 is not a readable WAV file.").arg(shownName);
    try {
        TAuFileStream stream(path, fmOpenRead | fmShareDenyNone);
        const int64_t size = stream.Size();
        const TWaveHeaderInfo header = ScanWaveHeader(stream, TWaveScanMode::Reader);
        if (!header.Found || header.DataStart < 0)
            return notWav;
        const int64_t held = size - header.DataStart;
        if (int64_t(header.DataSize) > held)
            return ResText("RES_Output_Short",
                           "%1 is cut short: its header announces %2 bytes of audio, the file holds %3.")
                .arg(shownName)
                .arg(header.DataSize)
                .arg(held);
    } catch (const EAuException&) {
        return notWav;
    }
    return QString();
}
