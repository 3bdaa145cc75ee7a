// The demo disc's music and files (see DemoDisc.h).
#include "cd/DemoDisc.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr int Rate = 44100;
constexpr int FramesPerSector = 588;
constexpr double Headroom = 0.7079; // -3 dBFS peak

// Track lengths in frames, before the padding to whole sectors.
constexpr std::array<int64_t, 3> TrackFrames = {8 * Rate, int64_t(12.8 * Rate), int64_t(6.5 * Rate)};

struct TStereo {
    explicit TStereo(int64_t frames) : L(size_t(frames)), R(size_t(frames)) {}
    int64_t Frames() const { return int64_t(L.size()); }
    void Add(int64_t at, double value, double pan) { // pan 0 left .. 1 right
        if (at < 0 || at >= Frames())
            return;
        L[size_t(at)] += value * std::cos(pan * std::numbers::pi / 2);
        R[size_t(at)] += value * std::sin(pan * std::numbers::pi / 2);
    }
    std::vector<double> L;
    std::vector<double> R;
};

// "A4" -> 440 Hz; naturals and sharps.
double NoteFrequency(const char* name) {
    static const int semitones[] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    int semitone = semitones[name[0] - 'A'];
    const char* octave = name + 1;
    if (*octave == '#') {
        ++semitone;
        ++octave;
    }
    const int midi = 12 * (*octave - '0' + 1) + semitone;
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// The same seeded noise on every machine, so every demo disc is the same disc.
class TNoise {
public:
    double Next() {
        State = State * 1664525u + 1013904223u;
        return double(State >> 8) / double(1u << 23) - 1.0;
    }

private:
    uint32_t State = 20240611u;
};

// A plucked string (Karplus-Strong): a burst of noise in a delay line of one period, averaged
// on every pass, rings down with the brightness of a guitar.
void Pluck(TStereo& out, double start, double seconds, double frequency, double gain, double pan, TNoise& noise) {
    const int period = std::max(2, int(std::lround(Rate / frequency)));
    std::vector<double> line(static_cast<size_t>(period));
    for (double& v : line)
        v = noise.Next();
    const int64_t first = int64_t(start * Rate);
    const int64_t count = int64_t(seconds * Rate);
    for (int64_t i = 0; i < count; ++i) {
        const size_t k = size_t(i % period);
        const double v = line[k];
        line[k] = 0.996 * 0.5 * (v + line[(k + 1) % size_t(period)]);
        const double fadeOut = std::min(1.0, double(count - i) / (0.02 * Rate));
        out.Add(first + i, gain * v * fadeOut, pan);
    }
}

// A triangle wave with a short attack and a release over the last 60 % of the note.
void Triangle(TStereo& out, double start, double seconds, double frequency, double gain, double pan) {
    const int64_t first = int64_t(start * Rate);
    const int64_t count = int64_t(seconds * Rate);
    const double attack = 0.01 * Rate;
    const double release = 0.6 * double(count);
    for (int64_t i = 0; i < count; ++i) {
        const double phase = std::fmod(double(i) * frequency / Rate, 1.0);
        const double wave = 4.0 * std::abs(phase - 0.5) - 1.0;
        const double envelope = std::min({1.0, double(i) / attack, double(count - i) / release});
        out.Add(first + i, gain * wave * envelope, pan);
    }
}

// A bell: a sine with two inharmonic partials, dying away exponentially.
void Bell(TStereo& out, double start, double seconds, double frequency, double gain, double pan) {
    const int64_t first = int64_t(start * Rate);
    const int64_t count = int64_t(seconds * Rate);
    for (int64_t i = 0; i < count; ++i) {
        const double t = double(i) / Rate;
        const double w = 2 * std::numbers::pi * frequency * t;
        const double wave = std::sin(w) + 0.35 * std::sin(2.76 * w) * std::exp(-3 * t) + 0.15 * std::sin(5.4 * w);
        const double envelope = std::min(1.0, t / 0.005) * std::exp(-1.6 * t) * std::min(1.0, double(count - i) / 500);
        out.Add(first + i, gain * wave * envelope, pan);
    }
}

// A soft pad of sines with a slow tremolo, faded in over a second and out over two.
void Pad(TStereo& out, double seconds, std::initializer_list<double> frequencies, double gain) {
    const int64_t count = std::min(out.Frames(), int64_t(seconds * Rate));
    for (int64_t i = 0; i < count; ++i) {
        const double t = double(i) / Rate;
        double wave = 0;
        for (const double f : frequencies)
            wave += std::sin(2 * std::numbers::pi * f * t);
        const double tremolo = 1.0 - 0.3 * (0.5 + 0.5 * std::sin(2 * std::numbers::pi * 2 * t));
        const double envelope = std::min({1.0, t / 1.0, (seconds - t) / 2.0});
        out.Add(i, gain * wave * tremolo * envelope, 0.5);
    }
}

void LowPass(std::vector<double>& samples, double cutoff) {
    const double a = 1.0 - std::exp(-2 * std::numbers::pi * cutoff / Rate);
    double y = 0;
    for (double& v : samples) {
        y += a * (v - y);
        v = y;
    }
}

// A small room (four parallel combs into two all-passes, as Schroeder's reverberator); the
// right channel's delays are a little longer, which spreads the sound.
void Reverb(std::vector<double>& samples, double wet, int spread) {
    const int combDelays[] = {1557, 1617, 1491, 1422};
    const int allPassDelays[] = {225, 556};
    std::vector<double> sum(samples.size());
    for (const int d : combDelays) {
        std::vector<double> line(size_t(d + spread));
        size_t k = 0;
        for (size_t i = 0; i < samples.size(); ++i) {
            const double y = line[k];
            line[k] = samples[i] + 0.78 * y;
            sum[i] += y / 4;
            k = (k + 1) % line.size();
        }
    }
    for (const int d : allPassDelays) {
        std::vector<double> line(size_t(d + spread));
        size_t k = 0;
        for (double& v : sum) {
            const double delayed = line[k];
            line[k] = v + 0.5 * delayed;
            v = delayed - 0.5 * line[k];
            k = (k + 1) % line.size();
        }
    }
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] += wet * sum[i];
}

void Finish(TStereo& track, double wet) {
    Reverb(track.L, wet, 0);
    Reverb(track.R, wet, 23);
}

// Track 1: plucked arpeggios over a bass line, C - Am - F - G, twice.
TStereo ArpeggioTrack() {
    static const char* const arpeggio[] = {"C4", "E4", "G4", "C5", "E5", "C5", "G4", "E4", "A3", "C4", "E4",
                                           "A4", "C5", "A4", "E4", "C4", "F3", "A3", "C4", "F4", "A4", "F4",
                                           "C4", "A3", "G3", "B3", "D4", "G4", "B4", "G4", "D4", "B3"};
    static const char* const bass[] = {"C2", "A1", "F1", "G1"};
    TStereo out(TrackFrames[0]);
    TNoise noise;
    int n = 0;
    for (int round = 0; round < 2; ++round) {
        for (const char* note : arpeggio) {
            Pluck(out, n * 0.125, 0.5, NoteFrequency(note), 0.6, n % 2 ? 0.35 : 0.65, noise);
            ++n;
        }
        for (int i = 0; i < 4; ++i)
            Triangle(out, round * 4 + i, 1.0, NoteFrequency(bass[i]), 0.4, 0.5);
    }
    LowPass(out.L, 2500);
    LowPass(out.R, 2500);
    Finish(out, 0.25);
    return out;
}

// Track 2: a pentatonic tune over a soft pad.
TStereo TuneTrack() {
    static const char* const tune[] = {"A4", "C5", "D5",    "E5", "G5", "E5", "D5", "C5",    "D5",    "E5",   "D5",
                                       "C5", "A4", nullptr, "G4", "A4", "C5", "D5", "E5",    "G5",    "A5",   "G5",
                                       "E5", "D5", "E5",    "D5", "C5", "A4", "A4", nullptr, nullptr, nullptr};
    TStereo out(TrackFrames[1]);
    int n = 0;
    for (const char* note : tune) {
        if (note)
            Triangle(out, n * 0.4, 0.4, NoteFrequency(note), 0.6, 0.6);
        ++n;
    }
    Pad(out, 12.8, {NoteFrequency("A2"), NoteFrequency("E3")}, 0.15);
    Finish(out, 0.4);
    return out;
}

// Track 3: bells, one after another, ringing on together.
TStereo BellTrack() {
    static const char* const bells[] = {"C5", "E5", "G5", "B5", "D6", "G5", "E5", "C6"};
    TStereo out(TrackFrames[2]);
    int n = 0;
    for (const char* note : bells) {
        Bell(out, n * 0.5, 3.0, NoteFrequency(note), 0.5, 0.15 + 0.1 * n);
        ++n;
    }
    Finish(out, 0.5);
    return out;
}

// 16-bit little-endian stereo, peak at -3 dBFS, padded with silence to whole sectors.
QByteArray Pcm(const TStereo& track) {
    double peak = 1e-9;
    for (int64_t i = 0; i < track.Frames(); ++i)
        peak = std::max({peak, std::abs(track.L[size_t(i)]), std::abs(track.R[size_t(i)])});
    const double scale = Headroom * 32767.0 / peak;
    const int64_t sectors = (track.Frames() + FramesPerSector - 1) / FramesPerSector;
    QByteArray pcm(qsizetype(sectors * FramesPerSector * 4), '\0');
    auto* p = reinterpret_cast<uchar*>(pcm.data());
    for (int64_t i = 0; i < track.Frames(); ++i) {
        qToLittleEndian(int16_t(std::lround(track.L[size_t(i)] * scale)), p + 4 * i);
        qToLittleEndian(int16_t(std::lround(track.R[size_t(i)] * scale)), p + 4 * i + 2);
    }
    return pcm;
}

QString Msf(int32_t sector) {
    return QStringLiteral("%1:%2:%3")
        .arg(sector / 4500, 2, 10, QLatin1Char('0'))
        .arg(sector / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(sector % 75, 2, 10, QLatin1Char('0'));
}

QByteArray CueSheet() {
    QString text = QStringLiteral("TITLE \"Discwright Demo\"\nPERFORMER \"Discwright\"\nFILE \"demo.bin\" BINARY\n");
    int32_t start = 0;
    int number = 1;
    for (const int32_t sectors : DemoDiscTrackSectors()) {
        text += QStringLiteral("  TRACK %1 AUDIO\n    INDEX 01 %2\n")
                    .arg(number++, 2, 10, QLatin1Char('0'))
                    .arg(Msf(start));
        start += sectors;
    }
    return text.toUtf8();
}

int64_t BinBytes() {
    int64_t sectors = 0;
    for (const int32_t s : DemoDiscTrackSectors())
        sectors += s;
    return sectors * FramesPerSector * 4;
}

bool Save(const QString& path, const QByteArray& data, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

} // namespace

std::vector<int32_t> DemoDiscTrackSectors() {
    std::vector<int32_t> sectors;
    for (const int64_t frames : TrackFrames)
        sectors.push_back(int32_t((frames + FramesPerSector - 1) / FramesPerSector));
    return sectors;
}

QString WriteDemoDisc(const QString& folder, QString& error) {
    if (!QDir().mkpath(folder)) {
        error = folder + QStringLiteral(": the folder cannot be created");
        return QString();
    }
    const QDir dir(folder);
    const QByteArray bin = Pcm(ArpeggioTrack()) + Pcm(TuneTrack()) + Pcm(BellTrack());
    // The .bin first: a cue sheet is never there without the audio it describes.
    if (!Save(dir.filePath(QStringLiteral("demo.bin")), bin, error) ||
        !Save(dir.filePath(QStringLiteral("demo.cue")), CueSheet(), error))
        return QString();
    return dir.filePath(QStringLiteral("demo.cue"));
}

QString DemoDisc(QString& error) {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) {
        error = QStringLiteral("there is no temporary folder of your own for it (XDG_RUNTIME_DIR)");
        return QString();
    }
    const QDir dir(runtime + QStringLiteral("/discwright-demo"));
    const QString cue = dir.filePath(QStringLiteral("demo.cue"));
    QFile existing(cue);
    if (QFileInfo(dir.filePath(QStringLiteral("demo.bin"))).size() == BinBytes() &&
        existing.open(QIODevice::ReadOnly) && existing.readAll() == CueSheet())
        return cue;
    return WriteDemoDisc(dir.path(), error);
}
