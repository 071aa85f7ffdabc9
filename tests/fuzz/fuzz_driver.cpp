// Runs the fuzz target without libFuzzer, for the test suite: the seed files, then a
// bounded number of inputs made from them by random byte changes, the same every run.
#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void runOne(const QByteArray& input) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.constData()),
                           size_t(input.size()));
}

QByteArray mutated(QByteArray input, std::mt19937& random) {
    static const char interesting[] = "\";,\t\r\n=\\:\xD0\xEF\xBB\xBF ";
    const int changes = 1 + int(random() % 8);
    for (int i = 0; i < changes; ++i) {
        const auto at = input.isEmpty() ? 0 : qsizetype(random() % size_t(input.size()));
        const char byte =
            random() % 2 ? interesting[random() % (sizeof interesting - 1)] : char(random() % 256);
        switch (random() % 4) {
        case 0:
            input.insert(at, byte);
            break;
        case 1:
            if (!input.isEmpty())
                input.remove(at, 1 + qsizetype(random() % 4));
            break;
        case 2:
            if (!input.isEmpty())
                input[at] = byte;
            break;
        default:
            input.append(input.mid(at, 16));
            break;
        }
    }
    return input;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SEED_FOLDER INPUTS\n", argv[0]);
        return 2;
    }
    std::vector<QByteArray> seeds;
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            seeds.push_back(file.readAll());
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "no seed files in %s\n", argv[1]);
        return 2;
    }
    const long inputs = std::strtol(argv[2], nullptr, 10);
    std::mt19937 random(20261207);
    for (const QByteArray& seed : seeds)
        runOne(seed);
    for (long i = 0; i < inputs; ++i)
        runOne(mutated(seeds[size_t(i) % seeds.size()], random));
    std::printf("%zu seeds and %ld changed inputs read without a fault\n", seeds.size(), inputs);
    return 0;
}
