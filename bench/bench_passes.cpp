// SPDX-License-Identifier: GPL-3.0-or-later
// Times the filter over a whole capture on one thread and on every thread side by side, for a
// filter the index answers and one that reads every payload, then the statistics pass and the
// time chart's pass (statistics and frames per interval at the finest interval), and checks
// that one thread and every thread agree.
//
//   bench_passes [FRAMES...]     10,000,000 frames unless counts are given
//
// Captures come from BENCH_DIR (kept there) or a temporary folder.

#include "benchsupport.h"
#include "capturefixture.h"

#include "core/files/capture.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framebitmap.h"
#include "core/filters/framefilter.h"
#include "core/stats/capturepass.h"
#include "core/stats/framerateseries.h"
#include "core/stats/statisticscollector.h"
#include "core/stats/statisticsreport.h"
#include "core/stats/timechartfigures.h"
#include "core/tasks/parallelpass.h"
#include "core/tasks/passpool.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThreadPool>

#include <cstdio>
#include <memory>
#include <vector>

using namespace Korvex;

namespace {

/// The median time of `runs` filters over the capture with the given pass, the process's CPU
/// time over all runs (beyond the elapsed time when threads worked side by side) and the
/// matches.
double timeFilter(const Capture &capture, const FilterExpression &expression,
                  const ParallelPass &pass, int runs, double &cpuMs,
                  std::shared_ptr<FrameBitmap> &matches)
{
    std::vector<double> times;
    const qint64 cpuStart = cpuNs();
    for (int run = 0; run < runs; ++run) {
        FrameFilter filter(capture, expression);
        filter.setPass(pass);
        QElapsedTimer timer;
        timer.start();
        matches = filter.matchingFrames();
        times.push_back(msSince(timer));
    }
    cpuMs = ms(cpuNs() - cpuStart) / runs;
    return median(times);
}

bool compare(const Capture &capture, const char *text, int runs)
{
    FilterError error;
    const FilterExpression expression = FilterExpression::parse(QLatin1String(text), &error);
    std::shared_ptr<FrameBitmap> one;
    std::shared_ptr<FrameBitmap> all;
    const ParallelPass every;
    double oneCpu = 0;
    double allCpu = 0;
    const double oneMs = timeFilter(capture, expression, ParallelPass(1), runs, oneCpu, one);
    const double allMs = timeFilter(capture, expression, every, runs, allCpu, all);
    bool same = one->size() == all->size() && one->count() == all->count();
    for (qint64 n = 0; same && n < one->size(); ++n)
        same = one->test(n) == all->test(n);
    std::printf("  filter %-28s 1 thread %8.1f ms (cpu %8.1f)   %d threads %8.1f ms (cpu %8.1f)"
                "   (%lld matches%s)\n",
                text, oneMs, oneCpu, every.threadCount(), allMs, allCpu,
                static_cast<long long>(all->count()), same ? "" : ", THE RESULTS DIFFER");
    printMachineLoad();
    return same;
}

QString describe(const StatisticsCollector &stats)
{
    return StatisticsReport(stats.result(), QString(), QString()).toTsv();
}

QString describe(const TimeChartFigures &part)
{
    QString text = describe(part.stats);
    for (int bin = 0; bin < part.rate.bins(); ++bin) {
        text += QString::number(part.rate.frameFrom(bin));
        for (int key = 0; key < FrameRateSeries::Channels; ++key)
            text += QLatin1Char(' ') + QString::number(part.rate.count(bin, key));
    }
    return text;
}

/// Times a pass gathering `empty`-shaped parts over every frame on one thread and on every
/// thread, as compare() does for the filter.
template <class Part, class Visit>
bool comparePass(const Capture &capture, const char *name, const Part &empty, Visit visit,
                 int runs)
{
    const auto time = [&](const ParallelPass &pass, double &cpuMs, QString &result) {
        std::vector<double> times;
        const qint64 cpuStart = cpuNs();
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            const std::optional<Part> part =
                CapturePass(capture, FrameRows(capture.frameCount()), pass).collect(empty, visit);
            times.push_back(msSince(timer));
            result = describe(*part);
        }
        cpuMs = ms(cpuNs() - cpuStart) / runs;
        return median(times);
    };
    const ParallelPass every;
    double oneCpu = 0;
    double allCpu = 0;
    QString one;
    QString all;
    const double oneMs = time(ParallelPass(1), oneCpu, one);
    const double allMs = time(every, allCpu, all);
    std::printf("  %-35s 1 thread %8.1f ms (cpu %8.1f)   %d threads %8.1f ms (cpu %8.1f)%s\n",
                name, oneMs, oneCpu, every.threadCount(), allMs, allCpu,
                one == all ? "" : "   THE RESULTS DIFFER");
    printMachineLoad();
    return one == all;
}

bool compareStatistics(const Capture &capture, int runs)
{
    const bool statistics = comparePass(
        capture, "statistics", StatisticsCollector(capture.protocolVersion()),
        [](StatisticsCollector &stats, const FrameCursor &cursor) {
            stats.add(cursor.number(), cursor.header(), cursor.isMissing(), cursor.ticks());
        },
        runs);
    const auto [first, last] = CapturePass::timeSpan(capture, FrameRows(capture.frameCount()));
    const quint64 duration = last - first;
    const TimeChartFigures chart{
        StatisticsCollector(capture.protocolVersion()),
        FrameRateSeries(TimeBinning(first, duration, FrameRateSeries::baseInterval(duration)),
                        capture.protocolVersion())};
    const bool charts = comparePass(
        capture, "time chart (statistics and binning)", chart,
        [](TimeChartFigures &part, const FrameCursor &cursor) { part.add(cursor); },
        runs);
    return statistics && charts;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QList<qint64> counts = benchCounts(argc, argv, {10000000});
    QTemporaryDir temporary;
    const QString folder = benchFolder(temporary.path());
    bool same = true;
    for (qint64 count : counts) {
        const QString path = QStringLiteral("%1/bench%2.drf3").arg(folder).arg(count);
        if (!QFile::exists(path) && !writeBenchCapture(path, count))
            return 1;
        Capture capture(path);
        capture.setFrameLimit(Capture::NoFrameLimit);
        CaptureFixture::QuietSink sink;
        capture.load(sink);
        std::printf("%lld frames, %d threads in the pool\n",
                    static_cast<long long>(capture.frameCount()),
                    PassPool::instance()->maxThreadCount());
        printMachineLoad();
        same = compare(capture, "channel == 3 and cts == 1", 7) && same;
        same = compare(capture, "payload contains 7e 55", 3) && same;
        same = compareStatistics(capture, 3) && same;
    }
    return same ? 0 : 1;
}
