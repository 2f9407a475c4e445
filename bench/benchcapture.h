#ifndef BENCH_BENCHCAPTURE_H
#define BENCH_BENCHCAPTURE_H

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>

#include <cstdio>

/// Writes a capture of random valid DigRF 3G frames with random time deltas (below 1000
/// ticks, so times pass 2^32 ticks within a few hundred million frames), a slice at a time, so
/// that a hundred million frames never sit in memory. Closed by a brace.
inline bool writeBenchCapture(const QString &fileName, qint64 count, quint64 seed = 42)
{
    static const int words[] = {1, 1, 2, 3, 4, 8, 16};
    // xorshift64*: fast and good enough for test data.
    quint64 state = seed * 0x9E3779B97F4A7C15ull | 1;
    const auto next = [&state] {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return quint32((state * 0x2545F4914F6CDD1Dull) >> 32);
    };
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The length in the DATA LIST tag is not checked by the reader; any non-zero number does.
    const QByteArray tags = "{TYPE:bench}{FRAMES:" + QByteArray::number(count) + "}{DATA LIST-1:#";
    if (file.write(tags) != tags.size())
        return false;
    QByteArray slice(1 << 20, Qt::Uninitialized);
    char *out = slice.data();
    const char *const end = slice.constData() + slice.size() - 72;
    for (qint64 i = 0; i < count; ++i) {
        const quint32 draw = next();
        const quint32 code = draw % 7;
        qToLittleEndian<quint32>(code << 5 | (draw >> 8) % 16 << 1 | (draw >> 12) % 2, out);
        qToLittleEndian<quint32>(next() % 1000, out + 4);
        out += 8;
        for (int w = 0; w < words[code]; ++w, out += 4)
            qToLittleEndian<quint32>(next(), out);
        if (out > end) {
            if (file.write(slice.constData(), out - slice.constData()) != out - slice.constData())
                return false;
            out = slice.data();
        }
    }
    *out++ = '}';
    return file.write(slice.constData(), out - slice.constData()) == out - slice.constData();
}

/// Machine load, to print beside every figure.
inline void printMachineLoad()
{
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    if (loadavg.open(QIODevice::ReadOnly))
        std::printf("machine load (1/5/15 min): %s", loadavg.readLine().constData());
}

#endif // BENCH_BENCHCAPTURE_H
