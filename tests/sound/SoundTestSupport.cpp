// Helpers of the sound tests (see SoundTestSupport.h).
#include "sound/SoundTestSupport.h"

#include "support/TestSupport.h"

namespace {

const char* const Names[3] = {"SDL_AUDIODRIVER", "SDL_DISKAUDIOFILE", "SDL_DISKAUDIODELAY"};

bool IsZeroFrame(const char* p, int frameBytes) {
    for (int i = 0; i < frameBytes; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

} // namespace

TDiskAudio::TDiskAudio(const QByteArray& driver) {
    Path = Dir.filePath(QStringLiteral("played.raw"));
    for (int i = 0; i < 3; ++i) {
        Had[i] = qEnvironmentVariableIsSet(Names[i]);
        Saved[i] = qgetenv(Names[i]);
    }
    qputenv(Names[0], driver);
    qputenv(Names[1], Path.toLocal8Bit());
    qputenv(Names[2], "0");
}

TDiskAudio::~TDiskAudio() {
    for (int i = 0; i < 3; ++i) {
        if (Had[i])
            qputenv(Names[i], Saved[i]);
        else
            qunsetenv(Names[i]);
    }
}

QByteArray TDiskAudio::Played() const {
    return ReadFile(Path);
}

QByteArray TrimSilence(const QByteArray& pcm, int frameBytes) {
    qsizetype first = 0;
    qsizetype end = pcm.size() - pcm.size() % frameBytes;
    while (first < end && IsZeroFrame(pcm.constData() + first, frameBytes))
        first += frameBytes;
    while (end > first && IsZeroFrame(pcm.constData() + end - frameBytes, frameBytes))
        end -= frameBytes;
    return pcm.mid(first, end - first);
}

QByteArray WithoutSilence(const QByteArray& pcm, int frameBytes) {
    QByteArray out;
    out.reserve(pcm.size());
    for (qsizetype at = 0; at + frameBytes <= pcm.size(); at += frameBytes)
        if (!IsZeroFrame(pcm.constData() + at, frameBytes))
            out.append(pcm.constData() + at, frameBytes);
    return out;
}

QByteArray MonoToStereo16(const QByteArray& mono) {
    QByteArray out;
    out.reserve(mono.size() * 2);
    for (qsizetype i = 0; i + 1 < mono.size(); i += 2) {
        out.append(mono.constData() + i, 2);
        out.append(mono.constData() + i, 2);
    }
    return out;
}
