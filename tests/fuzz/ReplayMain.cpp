// Replays every kept input of a fuzz target (crashes found once and since fixed, and the seed
// inputs the fuzzer starts from), so the normal test run catches a regression without a
// fuzzing build. Each argument is a folder; a missing one holds nothing.
#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        const QDir dir(QString::fromLocal8Bit(argv[i]));
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            QFile f(dir.filePath(name));
            if (!f.open(QIODevice::ReadOnly))
                return 1;
            const QByteArray data = f.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
            ++count;
        }
    }
    // An always-present empty input keeps the target exercised when no crash was ever kept.
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(""), 0);
    std::printf("replayed %d inputs\n", count);
    return 0;
}
