// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef BENCH_BENCHSUPPORT_H
#define BENCH_BENCHSUPPORT_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <time.h>

/// What the benchmarks share: their captures, the machine's load, clocks and units.

inline double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

inline double msSince(const QElapsedTimer &timer)
{
    return ms(timer.nsecsElapsed());
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

inline double maximum(const std::vector<double> &values)
{
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

inline double mibOfKiB(qint64 kib)
{
    return double(kib) / 1024.0;
}

/// CPU time of this process: on a machine busy with other work, what a stage costs by itself.
inline qint64 cpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

/// The frame counts named on the command line, or the defaults.
inline QList<qint64> benchCounts(int argc, char *argv[], const QList<qint64> &defaults)
{
    QList<qint64> counts;
    for (int i = 1; i < argc; ++i)
        counts.append(QByteArray(argv[i]).toLongLong());
    return counts.isEmpty() ? defaults : counts;
}

/// Where the captures go: BENCH_DIR, kept between runs (and then in the page cache), or the
/// given temporary folder.
inline QString benchFolder(const QString &temporary)
{
    return qEnvironmentVariableIsSet("BENCH_DIR") ? qEnvironmentVariable("BENCH_DIR") : temporary;
}

/// Writes a capture of random valid DigRF 3G frames with random time deltas (below 1000
/// ticks, so times pass 2^32 ticks within a few hundred million frames), a slice at a time, so
/// that a hundred million frames never sit in memory. Closed by a brace. With `rfIcEvery`, every
/// rfIcEvery-th frame is an RF IC Control frame of 32 payload bits and no other frame is on that
/// channel, so that decoded messages of that channel come at a known rate.
inline bool writeBenchCapture(const QString &fileName, qint64 count, quint64 seed = 42,
                              qint64 rfIcEvery = 0)
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
        quint32 code = draw % 7;
        quint32 channel = (draw >> 8) % 16;
        if (rfIcEvery > 0) {
            const bool rfIc = i % rfIcEvery == 0;
            code = rfIc ? 1 : code;
            channel = rfIc ? 2 : channel == 2 ? 3 : channel;
        }
        qToLittleEndian<quint32>(code << 5 | channel << 1 | (draw >> 12) % 2, out);
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

/// Runs an event loop, as the program's own runs, until `done` holds or `ceilingMs` have
/// passed, and says whether it holds. QTest::qWaitFor sleeps 10 ms between its rounds of
/// events, which would count in every gap and latency measured while it waits.
inline bool runLoopUntil(const std::function<bool()> &done, int ceilingMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    check.setInterval(1);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer ceiling;
    ceiling.setSingleShot(true);
    QObject::connect(&ceiling, &QTimer::timeout, &loop, &QEventLoop::quit);
    check.start();
    ceiling.start(ceilingMs);
    loop.exec();
    return done();
}

/// Machine load, to print beside every figure.
inline void printMachineLoad()
{
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    if (loadavg.open(QIODevice::ReadOnly))
        std::printf("machine load (1/5/15 min): %s", loadavg.readLine().constData());
}

/// The longest time the event loop goes without a turn: a timer every 5 ms runs `tick` (a
/// repaint, say) whenever the loop gets to it and notes the time since the turn before.
class LoopGaps
{
public:
    explicit LoopGaps(std::function<void()> tick)
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this, tick = std::move(tick)] {
            m_longest = qMax(m_longest, msSince(m_since));
            m_since.restart();
            tick();
            ++m_turns;
        });
    }
    void start()
    {
        m_timer.start();
        m_since.start();
    }
    /// Stops, and gives the longest gap in milliseconds.
    double stop()
    {
        m_longest = qMax(m_longest, msSince(m_since));
        m_timer.stop();
        return m_longest;
    }
    /// The longest gap so far, the one still open included.
    double longest() const { return qMax(m_longest, msSince(m_since)); }
    qint64 turns() const { return m_turns; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    double m_longest = 0;
    qint64 m_turns = 0;
};

#endif // BENCH_BENCHSUPPORT_H
