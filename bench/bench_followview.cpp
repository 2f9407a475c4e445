// SPDX-License-Identifier: GPL-3.0-or-later
// The window opening and following captures. First rows: the time from loadFile() until the
// table has rows and has painted them, with the page cache warm and, where the machine lets
// the benchmark drop it, cold. Following: a writer thread appends frames at a steady rate while
// the window follows the file with its current row on the last row; prints the longest gap
// between event-loop turns, the time from a frame's write to its row joining the table
// (median, 99th percentile, max) and the growth of the resident set per frame.
//
//   bench_followview [COUNT...]                   first rows (default 1,000,000 and 10,000,000)
//   bench_followview --follow [SECONDS [MB_PER_S]] following (default 60 s at 40 MB/s)
#include "benchsupport.h"
#include "capturegrower.h"
#include "framescopeprobe.h"
#include "procstatus.h"
#include "testenv.h"

#include "core/session/capturesession.h"
#include "viewer/views/frametablemodel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace Korvex;

namespace {

bool dropCaches()
{
    QFile control(QStringLiteral("/proc/sys/vm/drop_caches"));
    return control.open(QIODevice::WriteOnly) && control.write("3\n") == 2 && control.flush();
}

void readWhole(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.read(1 << 22).isEmpty()) {
    }
}

void firstRows(const QString &path, const char *cache)
{
    Framescope window{QString()};
    window.resize(1000, 800);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::printf("  (the window was not shown)\n");
    QElapsedTimer clock;
    QWidget *viewport = FramescopeProbe::ui(window).tblFrames->viewport();
    LoopGaps gaps([viewport] { viewport->update(); });
    gaps.start();
    clock.start();
    window.loadFile(path);
    // The rows are there once a turn of the event loop took the first frames; they are
    // painted then.
    if (!runLoopUntil([&window] { return FramescopeProbe::model(window)->rowCount() > 0; },
                      HangGuardMs))
        std::printf("  (no rows came)\n");
    viewport->repaint();
    const double first = msSince(clock);
    const bool ended =
        runLoopUntil([&window] { return !FramescopeProbe::busy(window); }, HangGuardMs);
    std::printf("  %s cache: first rows painted %.1f ms after the open; load %.1f ms%s, "
                "%lld frames; longest event-loop gap %.1f ms\n",
                cache, first, msSince(clock), ended ? "" : " (did not end)",
                static_cast<long long>(FramescopeProbe::frameCount(window)), gaps.stop());
}

int follow(double seconds, double rate)
{
    QTemporaryDir temporary;
    const QString path = benchFolder(temporary.path()) + QStringLiteral("/growing.drf3");
    CaptureGrower grower(path);
    if (!grower.isOpen())
        return 1;
    Framescope window{QString()};
    window.resize(1000, 800);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::printf("  (the window was not shown)\n");
    FramescopeProbe::loadFile(window, path);
    CaptureSession &session = FramescopeProbe::session(window);
    std::vector<double> latencies;
    QObject::connect(&session, &CaptureSession::framesAdded, [&](qint64, qint64 to) {
        // The table's current row stays on the last row: the window follows the tail.
        if (session.currentFrame() < 0)
            session.setCurrentFrame(to - 1);
        if (session.capture()->frameCount() == to)
            grower.measure(qint64(session.capture()->dataEnd()), &latencies);
    });
    printMachineLoad();
    const qint64 rssBefore = statusKiB("VmRSS:");
    LoopGaps gaps([&window] { FramescopeProbe::ui(window).tblFrames->viewport()->update(); });
    gaps.start();
    grower.start(seconds, rate);
    const bool written = runLoopUntil([&grower] { return !grower.writing(); },
                                      int(seconds * 1000) + 60000);
    grower.join();
    const qint64 size = grower.size();
    // The rest is read within a poll or two.
    const bool caughtUp = runLoopUntil(
        [&] {
            return qint64(session.capture()->dataEnd()) + 72 >= size
                   && session.frameCount() == session.capture()->frameCount();
        },
        60000);
    const double longest = gaps.stop();
    const qint64 rssAfter = statusKiB("VmRSS:");
    const double elapsed = double(grower.now()) / 1e9;
    const qint64 frames = session.frameCount();
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&latencies](double share) {
        return latencies.empty()
                   ? 0.0
                   : latencies[std::min(latencies.size() - 1, std::size_t(share * double(latencies.size())))];
    };
    std::printf("writer: %.1f MB in %.1f s (%.1f MB/s asked)%s; %lld frames in the table%s, "
                "%.2f M frames/s\n",
                double(size) / 1e6, elapsed, rate / 1e6, written ? "" : " (did not end)",
                static_cast<long long>(frames), caughtUp ? "" : " (not caught up)",
                double(frames) / elapsed / 1e6);
    std::printf("longest gap between event-loop turns: %.1f ms (%lld turns)\n", longest,
                static_cast<long long>(gaps.turns()));
    std::printf("write to row in the table (%zu pieces): median %.1f ms, 99%% %.1f ms, max %.1f ms\n",
                latencies.size(), at(0.5), at(0.99), latencies.empty() ? 0.0 : latencies.back());
    std::printf("resident set grew by %.3f bytes per frame; index %.3f bytes per frame\n",
                double(rssAfter - rssBefore) * 1024.0 / double(qMax<qint64>(1, frames)),
                double(session.capture()->index().memoryBytes()) / double(qMax<qint64>(1, frames)));
    printMachineLoad();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const TestEnv env;
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 1 && args.at(1) == QLatin1String("--follow")) {
        const double seconds = args.size() > 2 ? args.at(2).toDouble() : 60.0;
        const double rate = (args.size() > 3 ? args.at(3).toDouble() : 40.0) * 1e6;
        return follow(seconds, rate);
    }
    const QList<qint64> counts = benchCounts(argc, argv, {1000000, 10000000});
    QTemporaryDir temporary;
    const QString folder = benchFolder(temporary.path());
    for (qint64 count : counts) {
        const QString path = QStringLiteral("%1/bench%2.drf3").arg(folder).arg(count);
        if (!QFile::exists(path) && !writeBenchCapture(path, count))
            return 1;
        std::printf("%lld frames\n", static_cast<long long>(count));
        printMachineLoad();
        readWhole(path);
        firstRows(path, "warm");
        if (dropCaches())
            firstRows(path, "cold");
        else
            std::printf("  cold cache: the page cache cannot be dropped here (not permitted)\n");
    }
    return 0;
}
