// Shared test helpers: a temporary program folder with fresh settings, tiny WAV writers,
// tool look-ups, running programs and waiting for a condition.
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>
#include <cstdint>
#include <functional>
#include <sys/resource.h>
#include <vector>

// A temporary folder used as the program folder for the life of the object; the Settings
// record is reset to its defaults for it, except that no lookup reaches the internet (no
// lookup when a disc appears, servers on 127.0.0.1).
class TTempProgramFolder {
public:
    TTempProgramFolder();
    ~TTempProgramFolder();
    QString Path() const { return Dir.path(); }
    QString File(const QString& name) const { return Dir.path() + '/' + name; }

private:
    QTemporaryDir Dir;
};

// Little-endian fields written byte by byte here, apart from the program's own writers, so
// that a fault in those cannot hide in an expected value or a hand-made file.
QByteArray Le16(uint16_t value);
QByteArray Le32(uint32_t value);
// The plain 44-byte PCM header, built from those fields.
QByteArray WavHeader(int channels, int rate, int bits, uint32_t dataSize);
// The header of a WAV file ripped from a CD (44.1 kHz, 16-bit stereo), spelt out byte by byte.
QByteArray CdWavHeader(uint32_t dataSize);
// Little-endian PCM WAV with the plain 44-byte header.
QByteArray MakeWav(const QByteArray& pcm, int channels, int rate, int bits);
// Deterministic 16-bit PCM: a tone plus seeded noise, `frames` frames of `channels` samples.
QByteArray MakePcm16(int64_t frames, int channels, uint32_t seed, int rate = 44100);
bool WriteFile(const QString& path, const QByteArray& data);
QByteArray ReadFile(const QString& path);

// Processes events until `done` holds; false once `timeoutMs` has passed. The time-out is a
// generous bound for a loaded machine, never a speed check.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 60000);

// Full path of a program on PATH, or empty.
QString FindTool(const QString& name);
// Folder of the built executables (discwright-cli, wm8eutil, language files).
QString BinDir();
QString SourceDir();

struct TRunResult {
    int ExitCode = -1;
    QByteArray Out;
    QByteArray Err;
};
// Runs a program and waits (time-out in milliseconds).
TRunResult RunProgram(const QString& program, const QStringList& args, int timeoutMs = 120000);
// The same with an environment of its own.
TRunResult RunProgram(const QString& program, const QStringList& args, const QProcessEnvironment& environment,
                      int timeoutMs = 120000);
// A server address where nothing listens: what the tests give for the outside services they
// do not serve themselves.
constexpr const char* UnreachableServer = "http://127.0.0.1:1";
// Runs discwright-cli with a program folder of the test's own (and no outside service).
TRunResult RunCli(const QString& programFolder, const QStringList& args, int timeoutMs = 120000);

// A full disk without root: while it lives, files written by this process and by children
// started meanwhile stop growing at `bytes` and their writes fail with EFBIG (RLIMIT_FSIZE with
// SIGXFSZ ignored, both inherited by a child). Keep it around the step under test only.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &Saved);
        rlimit limited = Saved;
        limited.rlim_cur = bytes;
        Set = setrlimit(RLIMIT_FSIZE, &limited) == 0;
        SavedHandler = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &Saved);
        std::signal(SIGXFSZ, SavedHandler);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;
    // Whether the limit is in force.
    bool Applied() const { return Set; }

private:
    bool Set = false;
    rlimit Saved{};
    void (*SavedHandler)(int) = nullptr;
};
