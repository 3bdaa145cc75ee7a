// wm8eutil: encodes a PCM WAV file to WMA.
//
//   wm8eutil -input FILE.wav -output FILE.wma -a_setting BITRATE_RATE_CHANNELS
//            [-author TEXT] [-description TEXT] [-meta NAME=VALUE]...
//
// -meta stores one more entry (FFmpeg's names: title, album, album_artist, date, genre, track;
// other names, such as "MusicBrainz/Album Id", as they are).
// Prints "NN%" on standard output for every whole percent and "100%" when done. On failure it
// prints "ERROR: reason" and exits with 1. The value after an option is always taken as that
// option's value, even when it starts with "-". Ctrl+C, SIGTERM and SIGHUP end the run the
// same way ("ERROR: interrupted"), so a half-written output file is removed, not left behind.
#include "WmaEncoder.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

volatile std::sig_atomic_t InterruptSignal = 0;

void OnInterrupt(int signal) {
    InterruptSignal = signal;
}

// Without SA_RESTART, so that a read blocked on a pipe returns and the run can wind down.
void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaction(s, &action, nullptr);
}

int Fail(const std::string& reason) {
    std::fflush(stdout);
    std::fprintf(stderr, "ERROR: %s\n", reason.c_str());
    std::fflush(stderr);
    return 1;
}

void Usage() {
    std::fprintf(stderr, "usage: wm8eutil -input FILE.wav -output FILE.wma -a_setting BITRATE_RATE_CHANNELS "
                         "[-author TEXT] [-description TEXT] [-meta NAME=VALUE]...\n");
}

} // namespace

int main(int argc, char* argv[]) {
    TWmaJob job;
    std::string setting;
    bool haveSetting = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "-h" || option == "--help") {
            Usage();
            return 0;
        }
        std::string* value = nullptr;
        if (option == "-input")
            value = &job.InputFile;
        else if (option == "-output")
            value = &job.OutputFile;
        else if (option == "-a_setting") {
            value = &setting;
            haveSetting = true;
        } else if (option == "-author")
            value = &job.Author;
        else if (option == "-description")
            value = &job.Description;
        else if (option == "-meta") {
            job.Metadata.emplace_back();
            value = &job.Metadata.back().second;
        } else
            return Fail("unknown option " + option);
        if (i + 1 >= argc)
            return Fail("missing value after " + option);
        *value = argv[++i];
        if (option == "-meta") {
            // NAME=VALUE: the name ends at the first "=".
            std::string& entry = job.Metadata.back().second;
            const size_t equals = entry.find('=');
            if (equals == std::string::npos || equals == 0)
                return Fail("-meta needs NAME=VALUE, not " + entry);
            job.Metadata.back().first = entry.substr(0, equals);
            entry.erase(0, equals + 1);
        }
    }
    if (job.InputFile.empty())
        return Fail("no input file (-input)");
    if (job.OutputFile.empty())
        return Fail("no output file (-output)");
    if (!haveSetting)
        return Fail("no setting (-a_setting)");
    try {
        job.Target = ParseWmaSetting(setting);
    } catch (const EWmaEncode& e) {
        return Fail(e.what());
    }
    if (job.Target.BitRateKbps < WmaMinimumKbps) {
        std::printf("Note: %d kbit/s is below the WMA v2 minimum; encoding at %d kbit/s.\n", job.Target.BitRateKbps,
                    WmaMinimumKbps);
        std::fflush(stdout);
    }
    CatchInterrupts();
    job.Interrupted = [] { return InterruptSignal != 0; };
    job.OnProgress = [](int percent) {
        std::printf("%d%%\n", percent);
        std::fflush(stdout);
    };
    try {
        EncodeWma(job);
    } catch (const EWmaEncode& e) {
        return Fail(e.what());
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
    return 0;
}
