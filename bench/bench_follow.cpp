// SPDX-License-Identifier: GPL-3.0-or-later
// Following a capture while it is written: a writer thread appends random DigRF 3G frames at a
// steady rate, cut into pieces anywhere, while another thread reads the new bytes as the
// viewer or drfdump --follow does, several times a second. Prints the rate sustained, the
// time from a piece's write to its frames being indexed, what one look at the file costs, and
// the memory per frame. With --load it times the one-shot load of a finished capture instead.
//
//   bench_follow [SECONDS [MB_PER_S [LOOK_MS]]]   defaults 10 s, 40 MB/s, a look every 120 ms
//   bench_follow --load FILE                      five loads of FILE, with the index built

#include "procstatus.h"

#include "core/files/capture.h"
#include "core/files/framereader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

using namespace Korvex;

namespace {

class NullSink final : public FrameReaderSink
{
public:
    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
};

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

int timeLoads(const QString &fileName)
{
    std::vector<double> times;
    qint64 frames = 0;
    for (int run = 0; run < 5; ++run) {
        NullSink sink;
        Capture capture(fileName);
        QElapsedTimer clock;
        clock.start();
        capture.load(sink);
        times.push_back(ms(clock.nsecsElapsed()));
        frames = capture.frameCount();
    }
    std::sort(times.begin(), times.end());
    std::printf("one-shot load of %lld frames: best %.1f ms, median %.1f ms (%.1f M frames/s)\n",
                frames, times.front(), times[2], double(frames) / times[2] / 1e3);
    return 0;
}

// Random frames, whole, to be written over and over: any copy starts on a frame.
QByteArray randomFrames(int count)
{
    static constexpr int Words[7] = {1, 1, 2, 3, 4, 8, 16};
    QRandomGenerator random(7);
    QByteArray bytes;
    bytes.reserve(qsizetype(count) * 30);
    char word[4];
    for (int i = 0; i < count; ++i) {
        const quint32 code = random.bounded(7u);
        qToLittleEndian<quint32>(code << 5 | random.bounded(32u), word);
        bytes.append(word, 4);
        qToLittleEndian<quint32>(random.bounded(40u), word);
        bytes.append(word, 4);
        for (int w = 0; w < Words[code]; ++w) {
            qToLittleEndian<quint32>(random.generate(), word);
            bytes.append(word, 4);
        }
    }
    return bytes;
}

struct Piece
{
    qint64 end;     // file offset after it
    qint64 wroteAt; // ns since the start
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--load"))
        return timeLoads(args.at(2));
    const double seconds = args.size() > 1 ? args.at(1).toDouble() : 10.0;
    const double rate = (args.size() > 2 ? args.at(2).toDouble() : 40.0) * 1e6;
    const int lookMs = args.size() > 3 ? args.at(3).toInt() : 120;

    QTemporaryDir dir(qEnvironmentVariable("BENCH_DIR", QDir::tempPath()) + "/follow-XXXXXX");
    const QString path = dir.filePath(QStringLiteral("growing.drf3"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return 1;
    const QByteArray frames = randomFrames(1 << 20);
    const QByteArray tags("{TYPE:bench}{DATA LIST-1:#");
    file.write(tags);

    Capture capture(path);
    NullSink sink;
    capture.open(sink);
    capture.readNewBytes(sink);
    const qint64 rssBefore = statusKiB("VmRSS:");

    std::mutex lock;
    std::vector<Piece> pieces;
    std::atomic<bool> writing{true};
    QElapsedTimer clock;
    clock.start();
    std::thread writer([&] {
        qint64 written = tags.size();
        qint64 at = 0;
        while (clock.nsecsElapsed() < qint64(seconds * 1e9)) {
            const qint64 due = tags.size() + qint64(rate * double(clock.nsecsElapsed()) / 1e9);
            while (written < due) {
                // Pieces of any length, cut anywhere in a frame.
                const qint64 piece = std::min<qint64>(
                    {due - written, frames.size() - at,
                     qint64(QRandomGenerator::global()->bounded(1 << 18)) + 1});
                file.write(frames.constData() + at, piece);
                written += piece;
                at = (at + piece) % frames.size();
                const std::lock_guard<std::mutex> hold(lock);
                pieces.push_back({written, clock.nsecsElapsed()});
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        writing = false;
    });

    std::vector<double> latencies;
    std::vector<double> steps;
    std::size_t measured = 0;
    const auto measure = [&] {
        // A piece counts as indexed once every frame that ends within it is.
        const qint64 indexed = qint64(capture.dataEnd()) + 72;
        const qint64 now = clock.nsecsElapsed();
        const std::lock_guard<std::mutex> hold(lock);
        for (; measured < pieces.size() && pieces[measured].end <= indexed; ++measured)
            latencies.push_back(ms(now - pieces[measured].wroteAt));
    };
    while (writing) {
        std::this_thread::sleep_for(std::chrono::milliseconds(lookMs));
        QElapsedTimer step;
        step.start();
        capture.readNewBytes(sink);
        steps.push_back(ms(step.nsecsElapsed()));
        measure();
    }
    writer.join();
    capture.readNewBytes(sink);
    measure();
    const double elapsed = double(clock.nsecsElapsed()) / 1e9;

    const qint64 count = capture.frameCount();
    const qint64 rssAfter = statusKiB("VmRSS:");
    std::sort(latencies.begin(), latencies.end());
    std::sort(steps.begin(), steps.end());
    const auto at = [](const std::vector<double> &v, double share) {
        return v.empty() ? 0.0 : v[std::min(v.size() - 1, std::size_t(share * double(v.size())))];
    };
    std::printf("writer: %.1f MB in %.1f s, %.1f MB/s (asked %.1f); %lld frames indexed, "
                "%.2f M frames/s; status %s\n",
                double(file.size()) / 1e6, elapsed, double(file.size()) / 1e6 / elapsed,
                rate / 1e6, count, double(count) / elapsed / 1e6,
                capture.isFollowing() ? "following" : "stopped");
    std::printf("write to indexed (%zu pieces, a look every %d ms): median %.1f ms, 99%% %.1f ms, "
                "max %.1f ms\n",
                latencies.size(), lookMs, at(latencies, 0.5), at(latencies, 0.99),
                latencies.empty() ? 0.0 : latencies.back());
    std::printf("one look at the file (%zu looks): median %.1f ms, max %.1f ms\n", steps.size(),
                at(steps, 0.5), steps.empty() ? 0.0 : steps.back());
    std::printf("memory: index %.3f bytes per frame; resident set grew by %.3f bytes per frame\n",
                double(capture.index().memoryBytes()) / double(qMax<qint64>(1, count)),
                double(rssAfter - rssBefore) * 1024.0 / double(qMax<qint64>(1, count)));
    return 0;
}
