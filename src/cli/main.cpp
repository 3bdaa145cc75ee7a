// discwright-cli: the engine of the windows without a screen, for scripting.
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "core/Settings.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompter.h"

#include <QCoreApplication>
#include <QDir>

#include <csignal>
#include <cstdio>

namespace {

struct TCommand {
    const char* Words; // one or two words
    const char* Summary;
    int (*Run)(const QStringList&);
};

const TCommand Commands[] = {
    {"drives", "list the CD drives and disc-image drives", RunDrivesCommand},
    {"toc", "show a disc's key and track list", RunTocCommand},
    {"extract", "extract a track to a WAV file", RunExtractCommand},
    {"normalize", "scale a 16-bit WAV file in place", RunNormalizeCommand},
    {"rip", "rip tracks of a disc to MP3, WAV, Ogg, WMA or FLAC files", RunRipCommand},
    {"convert", "convert files (wav2mp3, mp32wav, wav2ogg, wav2wma, wav2flac, flac2wav)", RunConvertCommand},
    {"encode mp3", "encode a WAV file to MP3 with lame", RunEncodeMp3Command},
    {"decode mp3", "decode an MP3 file to WAV with lame", RunDecodeMp3Command},
    {"encode wma", "encode a WAV file to WMA with wm8eutil", RunEncodeWmaCommand},
    {"encode ogg", "encode a WAV file to Ogg Vorbis", RunEncodeOggCommand},
    {"encode flac", "encode a WAV file to FLAC", RunEncodeFlacCommand},
    {"decode flac", "decode a FLAC file to WAV", RunDecodeFlacCommand},
    {"decode ogg", "decode an Ogg Vorbis file to WAV", RunDecodeOggCommand},
    {"ogg info", "show an Ogg Vorbis file's format and comments", RunOggInfoCommand},
    {"tag", "show the tags of any audio file; set or remove the ID3v1 tag of an MP3 file (tag show|set|remove)",
     RunTagCommand},
    {"wav", "show or convert a WAV file (wav info|convert)", RunWavCommand},
    {"record", "record from the sound card into a WAV file (and MP3)", RunRecordCommand},
    {"play", "play an Ogg Vorbis file or a CD track on the sound device", RunPlayCommand},
    {"cddb", "name a disc from a CDDB server (and store it in cdinfo.dat)", RunCddbCommand},
    {"lookup", "name a disc from CD-TEXT, MusicBrainz or CDDB (and store it in cdinfo.dat)", RunLookupCommand},
    {"ar", "show a disc's AccurateRip ids and database entries", RunArCommand},
    {"offset", "find the drive's read offset with AccurateRip (offset find)", RunOffsetCommand},
    {"verify", "check a past rip's files against its log", RunVerifyCommand},
};

void Usage(FILE* out) {
    std::fprintf(out, "Usage: discwright-cli [global options] COMMAND [options] [arguments]\n\n"
                      "Global options:\n"
                      "  --set Section/Key=Value  override a setting of options.ini for this run (repeatable)\n"
                      "  --program-folder DIR     use DIR for options.ini, cdinfo.dat and temporary files\n"
                      "                           (created when missing)\n"
                      "  --yes                    answer Yes to overwrite questions\n\n"
                      "Commands (each has --help):\n");
    for (const TCommand& c : Commands)
        std::fprintf(out, "  %-12s %s\n", c.Words, c.Summary);
}

} // namespace

int main(int argc, char* argv[]) {
    // A reader of our output that goes away (`discwright-cli rip ... | head`) must not kill the
    // tool half way, leaving an encoder's temporary file and a running child behind: the
    // writes then simply fail and the command finishes its work.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("discwright-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DW_VERSION));

    int exitCode = 0;
    if (!CliArgumentsAreText(argc, argv, exitCode))
        return exitCode;
    QStringList words = QCoreApplication::arguments().mid(1);
    QStringList overrides;
    QString programFolder;
    bool answerYes = false;
    // Global options may stand anywhere; take them out first.
    for (int i = 0; i < words.size();) {
        const QString w = words[i];
        if ((w == QLatin1String("--set") || w == QLatin1String("--program-folder")) && i + 1 < words.size()) {
            if (w == QLatin1String("--set"))
                overrides << words[i + 1];
            else
                programFolder = words[i + 1];
            words.remove(i, 2);
        } else if (w == QLatin1String("--set") || w == QLatin1String("--program-folder")) {
            return CliFail(QStringLiteral("Missing value after '") + w + QStringLiteral("'."), 2);
        } else if (w.startsWith(QLatin1String("--set="))) {
            overrides << w.mid(6);
            words.remove(i);
        } else if (w.startsWith(QLatin1String("--program-folder="))) {
            programFolder = w.mid(17);
            words.remove(i);
        } else if (w == QLatin1String("--yes")) {
            answerYes = true;
            words.remove(i);
        } else {
            ++i;
        }
    }

    if (words.isEmpty() || words[0] == QLatin1String("--help") || words[0] == QLatin1String("-h")) {
        Usage(words.isEmpty() ? stderr : stdout);
        return words.isEmpty() ? 2 : 0;
    }
    if (words[0] == QLatin1String("--version")) {
        std::printf("discwright-cli %s\n", DW_VERSION);
        return 0;
    }

    if (!programFolder.isEmpty()) {
        // Created when missing, as the GUI does: cdinfo.dat, the recorder's files and the
        // settings are written there, and a missing folder would fail each of them later.
        if (!QDir().mkpath(programFolder))
            return CliFail(QStringLiteral("cannot create the program folder ") + programFolder);
        SetProgramFolder(QDir(programFolder).absolutePath());
    }
    LoadSettings();
    for (const QString& o : overrides)
        if (!ApplySettingOverride(o))
            return CliFail(QStringLiteral("unknown setting or bad value in --set ") + o, 2);
    CliPrompter().SetAnswerYes(answerYes);
    SetPrompter(&CliPrompter());

    for (const TCommand& c : Commands) {
        const QStringList commandWords = QString::fromLatin1(c.Words).split(' ');
        if (words.size() < commandWords.size() || words.mid(0, commandWords.size()) != commandWords)
            continue;
        // Handlers get a name for messages followed by their own words; "tag" and "wav" keep
        // their action word.
        QStringList rest = words.mid(commandWords.size());
        rest.prepend(QStringLiteral("discwright-cli ") + c.Words);
        return c.Run(rest);
    }
    return CliFail(QStringLiteral("unknown command '") + words.join(' ') + QStringLiteral("' (see --help)"), 2);
}
