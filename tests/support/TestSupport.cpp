// Shared test helpers (see TestSupport.h).
#include "support/TestSupport.h"

#include "core/DiscInfo.h"
#include "core/Settings.h"
#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>

#include <cmath>
#include <random>

TTempProgramFolder::TTempProgramFolder() {
    SetProgramFolder(Dir.path());
    Settings = TSettings();
    CurrentDisc = TDiscInfo();
    Settings.OutputFolder = Dir.path() + QStringLiteral("/Output");
    // Tests never reach the internet: a disc that appears is not looked up, and the lookup and
    // AccurateRip servers are on this machine (where nothing listens) unless a test names its
    // own. (Code that loads options.ini takes what the test writes there: see TMainFixture.)
    Settings.LookupOnInsert = false;
    Settings.MusicBrainzServer = QStringLiteral("http://127.0.0.1:1");
    Settings.Server = QStringLiteral("127.0.0.1:1");
    Settings.AccurateRipServer = QString::fromLatin1(UnreachableServer);
}

TTempProgramFolder::~TTempProgramFolder() {
    SetProgramFolder(QString());
    Settings = TSettings();
    CurrentDisc = TDiscInfo();
}

QByteArray Le16(uint16_t value) {
    QByteArray b(2, '\0');
    b[0] = char(value & 0xFF);
    b[1] = char(value >> 8);
    return b;
}

QByteArray Le32(uint32_t value) {
    return Le16(uint16_t(value & 0xFFFF)) + Le16(uint16_t(value >> 16));
}

QByteArray WavHeader(int channels, int rate, int bits, uint32_t dataSize) {
    const int align = channels * bits / 8;
    return "RIFF" + Le32(dataSize + 36) + "WAVEfmt " + Le32(16) + Le16(1) + Le16(uint16_t(channels)) +
           Le32(uint32_t(rate)) + Le32(uint32_t(int64_t(rate) * align)) + Le16(uint16_t(align)) + Le16(uint16_t(bits)) +
           "data" + Le32(dataSize);
}

QByteArray CdWavHeader(uint32_t dataSize) {
    const QByteArray format("WAVEfmt \x10\0\0\0" // a format chunk of 16 bytes
                            "\x01\0\x02\0"       // PCM, two channels
                            "\x44\xac\0\0"       // 44,100 frames a second
                            "\x10\xb1\x02\0"     // 176,400 bytes a second
                            "\x04\0\x10\0"       // frames of 4 bytes, 16-bit samples
                            "data",
                            32);
    return "RIFF" + Le32(dataSize + 36) + format + Le32(dataSize);
}

QByteArray MakeWav(const QByteArray& pcm, int channels, int rate, int bits) {
    return WavHeader(channels, rate, bits, uint32_t(pcm.size())) + pcm;
}

QByteArray MakePcm16(int64_t frames, int channels, uint32_t seed, int rate) {
    QByteArray pcm(frames * channels * 2, 0);
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> noise(-2000, 2000);
    auto* out = reinterpret_cast<uchar*>(pcm.data());
    for (int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            const double tone = 12000.0 * std::sin(2.0 * M_PI * (440.0 + 110.0 * c) * double(i) / rate);
            const auto v = static_cast<int16_t>(std::clamp(tone + noise(gen), -32768.0, 32767.0));
            qToLittleEndian<int16_t>(v, out + (i * channels + c) * 2);
        }
    return pcm;
}

bool WriteFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

QString FindTool(const QString& name) {
    return QStandardPaths::findExecutable(name);
}

QString BinDir() {
    const QByteArray env = qgetenv("DW_BIN_DIR");
    return env.isEmpty() ? QStringLiteral(DW_BINARY_DIR "/bin") : QString::fromLocal8Bit(env);
}

QString SourceDir() {
    return QStringLiteral(DW_SOURCE_DIR);
}

TRunResult RunProgram(const QString& program, const QStringList& args, int timeoutMs) {
    return RunProgram(program, args, QProcessEnvironment::systemEnvironment(), timeoutMs);
}

TRunResult RunProgram(const QString& program, const QStringList& args, const QProcessEnvironment& environment,
                      int timeoutMs) {
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(program, args);
    TRunResult r;
    if (!p.waitForStarted(10000))
        return r;
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
    }
    r.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Out = p.readAllStandardOutput();
    r.Err = p.readAllStandardError();
    return r;
}

TRunResult RunCli(const QString& programFolder, const QStringList& args, int timeoutMs) {
    QStringList all{QStringLiteral("--program-folder"), programFolder};
    if (!args.join(' ').contains(QLatin1String("AccurateRip/Server")))
        all << QStringLiteral("--set") << QStringLiteral("AccurateRip/Server=") + QString::fromLatin1(UnreachableServer);
    return RunProgram(BinDir() + QStringLiteral("/discwright-cli"), all + args, timeoutMs);
}
