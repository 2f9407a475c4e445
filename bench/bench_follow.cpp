// SPDX-License-Identifier: GPL-3.0-or-later
// Following a capture while it is written: a writer thread appends random DigRF 3G frames at a
// steady rate, cut into pieces anywhere, while another thread reads the new bytes as the
// viewer or drfdump --follow does, several times a second. Prints the rate sustained, the
// time from a piece's write to its frames being indexed, what one look at the file costs, and
// the memory per frame. With --load it times the one-shot load of a finished capture instead.
//
//   bench_follow [SECONDS [MB_PER_S [LOOK_MS]]]   defaults 10 s, 40 MB/s, a look every 120 ms
//   bench_follow --load FILE                      five loads of FILE, with the index built

#include "capturegrower.h"
#include "procstatus.h"

#include "core/files/capture.h"
#include "core/files/framereader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
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
    CaptureGrower grower(path);
    if (!grower.isOpen())
        return 1;

    Capture capture(path);
    NullSink sink;
    capture.open(sink);
    capture.readNewBytes(sink);
    const qint64 rssBefore = statusKiB("VmRSS:");

    grower.start(seconds, rate);
    std::vector<double> latencies;
    std::vector<double> steps;
    while (grower.writing()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(lookMs));
        QElapsedTimer step;
        step.start();
        capture.readNewBytes(sink);
        steps.push_back(ms(step.nsecsElapsed()));
        grower.measure(qint64(capture.dataEnd()), &latencies);
    }
    grower.join();
    capture.readNewBytes(sink);
    grower.measure(qint64(capture.dataEnd()), &latencies);
    const double elapsed = double(grower.now()) / 1e9;

    const qint64 count = capture.frameCount();
    const qint64 rssAfter = statusKiB("VmRSS:");
    std::sort(latencies.begin(), latencies.end());
    std::sort(steps.begin(), steps.end());
    const auto at = [](const std::vector<double> &v, double share) {
        return v.empty() ? 0.0 : v[std::min(v.size() - 1, std::size_t(share * double(v.size())))];
    };
    std::printf("writer: %.1f MB in %.1f s, %.1f MB/s (asked %.1f); %lld frames indexed, "
                "%.2f M frames/s; status %s\n",
                double(grower.size()) / 1e6, elapsed, double(grower.size()) / 1e6 / elapsed,
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
