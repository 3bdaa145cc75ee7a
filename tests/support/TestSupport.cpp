// Shared test helpers (see TestSupport.h).
#include "support/TestSupport.h"

#include "core/DiscInfo.h"
#include "core/Settings.h"
#include "platform/ProgramFolder.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

#include <cmath>
#include <random>

TTempProgramFolder::TTempProgramFolder() {
    SetProgramFolder(Dir.path());
    Settings = TSettings();
    CurrentDisc = TDiscInfo();
    Settings.OutputFolder = Dir.path() + QStringLiteral("/Output");
}

TTempProgramFolder::~TTempProgramFolder() {
    SetProgramFolder(QString());
    Settings = TSettings();
    CurrentDisc = TDiscInfo();
}

QByteArray MakeWav(const QByteArray& pcm, int channels, int rate, int bits) {
    QByteArray h(44, 0);
    auto put32 = [&](int at, uint32_t v) { qToLittleEndian<uint32_t>(v, h.data() + at); };
    auto put16 = [&](int at, uint16_t v) { qToLittleEndian<uint16_t>(v, h.data() + at); };
    const int align = channels * bits / 8;
    h.replace(0, 4, "RIFF");
    put32(4, uint32_t(pcm.size() + 36));
    h.replace(8, 8, "WAVEfmt ");
    put32(16, 16);
    put16(20, 1);
    put16(22, uint16_t(channels));
    put32(24, uint32_t(rate));
    put32(28, uint32_t(rate * align));
    put16(32, uint16_t(align));
    put16(34, uint16_t(bits));
    h.replace(36, 4, "data");
    put32(40, uint32_t(pcm.size()));
    return h + pcm;
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
    QProcess p;
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
    return RunProgram(BinDir() + QStringLiteral("/discwright-cli"),
                      QStringList{QStringLiteral("--program-folder"), programFolder} + args, timeoutMs);
}
