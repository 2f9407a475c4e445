// SPDX-License-Identifier: GPL-3.0-or-later
// Times the timing views at large captures: a statistics pass and a frame-rate chart pass over
// all frames, the chart window from refresh to its drawn chart, the statistics window with the
// longest time the window went without handling its events, and switching the time column's
// mode with the table repainted. Prints its figures; run it on the offscreen platform.
//
//   bench_timing [FRAMES...]      1,000,000 and 10,000,000 frames unless counts are given
//
// Captures go to BENCH_DIR (kept) or a temporary folder.

#include "benchsupport.h"
#include "testenv.h"
#include "framescopeprobe.h"

#include "viewer/app/framescope.h"
#include "core/files/capture.h"
#include "core/files/channellookback.h"
#include "core/stats/capturepass.h"
#include "viewer/stats/chartswindow.h"
#include "core/stats/framerateseries.h"
#include "core/stats/statisticscollector.h"
#include "viewer/stats/statisticswindow.h"
#include "viewer/views/frametableview.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Korvex;

namespace {

void report(const char *what, const std::vector<double> &ms)
{
    std::printf("  %-52s median %9.2f ms   max %9.2f ms   (%zu runs)\n", what, median(ms),
                maximum(ms), ms.size());
}

class QuietSink final : public FrameReaderSink
{
public:
    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
};

/// The longest time the event loop went without turning, measured by a timer that wants to
/// run every 5 ms.
class LoopWatch
{
public:
    LoopWatch()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = qMax(m_longest, msSince(m_since));
            m_since.restart();
        });
    }
    void start()
    {
        m_longest = 0;
        m_since.start();
        m_timer.start();
    }
    double stop()
    {
        m_timer.stop();
        return qMax(m_longest, msSince(m_since));
    }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    double m_longest = 0;
};

void benchPasses(const Capture &capture)
{
    const FrameRows rows(capture.frameCount());
    QElapsedTimer timer;
    std::vector<double> stats;
    for (int i = 0; i < 3; ++i) {
        timer.start();
        StatisticsCollector collector(capture.protocolVersion());
        CapturePass pass(capture, rows);
        pass.run([&](qint64 frame, quint8 header, bool missing, quint64 ticks) {
            collector.add(frame, header, missing, ticks);
        });
        stats.push_back(msSince(timer));
        if (i == 0)
            std::printf("  (%lld frames over %.3f s)\n",
                        static_cast<long long>(collector.result().frames),
                        double(*collector.result().durationNs()) / 1e9);
    }
    report("statistics pass (core)", stats);

    std::vector<double> charts;
    const quint64 duration = FrameRecord::nsOfTicks(capture.ticks(capture.frameCount() - 1));
    for (int i = 0; i < 3; ++i) {
        timer.start();
        FrameRateSeries series(TimeBinning(0, duration, TimeBinning::automatic(duration)), 0);
        CapturePass pass(capture, rows);
        pass.run([&](qint64 frame, quint8 header, bool missing, quint64 ticks) {
            series.add(frame, header, missing, ticks);
        });
        charts.push_back(msSince(timer));
    }
    report("frame-rate chart pass (core)", charts);

    // What the first "delta to the same channel" look-back for a channel that never came
    // before costs at worst: the channel sets of every span of the index, found once.
    std::vector<double> scans;
    quint32 channels = 0;
    for (int i = 0; i < 3; ++i) {
        timer.start();
        for (qint64 n = 0; n < capture.frameCount(); ++n)
            channels |= 1u << ChannelLookback::channelKey(capture.index().header(n), 0);
        scans.push_back(msSince(timer));
    }
    report("every header byte of the index (worst look-back)", scans);
    std::printf("  (%d channel types)\n", qPopulationCount(channels));
}

void benchWindows(Framescope &window, qint64 count)
{
    QElapsedTimer timer;
    LoopWatch loop;

    // The statistics window from Refresh to its tables, the window's event loop watched.
    window.findChild<QAction *>(QStringLiteral("actionStatistics"))->trigger();
    StatisticsWindow *statistics = FramescopeProbe::statisticsWindow(window);
    QSignalSpy computed(statistics, &StatisticsWindow::computed);
    computed.wait(600000);
    std::vector<double> statisticsMs;
    std::vector<double> statisticsGaps;
    for (int i = 0; i < 3; ++i) {
        computed.clear();
        loop.start();
        timer.start();
        statistics->refresh();
        computed.wait(600000);
        statisticsMs.push_back(msSince(timer));
        statisticsGaps.push_back(loop.stop());
    }
    report("statistics window, refresh to tables", statisticsMs);
    report("  longest time without event handling", statisticsGaps);

    // Cancel at 100 ms: how soon the pass stops.
    computed.clear();
    statistics->refresh();
    QTest::qWait(100);
    if (statistics->isComputing()) {
        timer.start();
        statistics->cancel();
        computed.wait(600000);
        std::printf("  %-52s %9.2f ms\n", "statistics: Cancel to stopped", msSince(timer));
    } else {
        computed.wait(600000);
        std::printf("  statistics: done within 100 ms, before Cancel\n");
    }
    statistics->hide();

    // The chart window from Refresh to the frame-rate chart drawn.
    window.findChild<QAction *>(QStringLiteral("actionCharts"))->trigger();
    ChartsWindow *charts = FramescopeProbe::chartsWindow(window);
    QSignalSpy chartsDone(charts, &ChartsWindow::computed);
    chartsDone.wait(600000);
    chartsDone.wait(600000);
    std::vector<double> chartMs;
    std::vector<double> chartGaps;
    for (int i = 0; i < 3; ++i) {
        chartsDone.clear();
        loop.start();
        timer.start();
        charts->refresh();
        while (chartsDone.isEmpty())
            chartsDone.wait(600000);
        charts->findChild<QWidget *>(QStringLiteral("cvRate"))->repaint();
        chartMs.push_back(msSince(timer));
        chartGaps.push_back(loop.stop());
        // The gap histogram follows; it is not part of the time chart.
        while (charts->isComputing())
            chartsDone.wait(600000);
    }
    report("time chart window, refresh to chart drawn", chartMs);
    report("  longest time without event handling", chartGaps);
    std::printf("  (%d intervals of %llu ns)\n", charts->rateSeries()->bins(),
                static_cast<unsigned long long>(charts->rateSeries()->binning().intervalNs()));
    charts->hide();

    // Switching the time column's mode, the table repainted, in the middle and at the end.
    auto *table = window.findChild<FrameTableView *>(QStringLiteral("tblFrames"));
    window.findChild<QTabWidget *>(QStringLiteral("tabs"))->setCurrentIndex(0);
    const QList<QAction *> modes = FramescopeProbe::ui(window).menuTimeDisplay->actions();
    for (const qint64 row : {count / 2, count - 1}) {
        table->goToShownRow(row);
        QApplication::processEvents();
        std::vector<double> switches;
        for (int i = 0; i < 25; ++i) {
            timer.start();
            modes.at(i % modes.size())->trigger();
            table->viewport()->repaint();
            table->horizontalHeader()->viewport()->repaint();
            switches.push_back(msSince(timer));
        }
        report(row == count - 1 ? "time mode switch + table repaint, at the end"
                                : "time mode switch + table repaint, in the middle",
               switches);
    }
}

void benchFrames(qint64 count, const QString &folder)
{
    const QString file = QStringLiteral("%1/bench%2.drf3").arg(folder).arg(count);
    if (!QFileInfo::exists(file) && !writeBenchCapture(file, count)) {
        std::printf("cannot write %s\n", qPrintable(file));
        return;
    }
    QElapsedTimer timer;
    timer.start();
    auto capture = std::make_unique<Capture>(file);
    QuietSink sink;
    capture->load(sink);
    std::printf("%lld frames (loaded in %.0f ms)\n", static_cast<long long>(capture->frameCount()),
                msSince(timer));
    benchPasses(*capture);

    Framescope window(QString{});
    window.resize(840, 601);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::printf("the window was not exposed: repaints are not timed\n");
    FramescopeProbe::showCapture(window, std::move(capture));
    QApplication::processEvents();
    benchWindows(window, count);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window's colour files and settings in a folder of their own.
    const TestEnv env;
    QApplication app(argc, argv);
    QTemporaryDir home;

    const QString colors = home.filePath(QStringLiteral("data/Kestrant/Framescope/"));
    QDir().mkpath(colors);
    for (const char *base : {"colors3G", "colorsV4"}) {
        const QString source = QStringLiteral(FRAMESCOPE_SOURCE_DIR "/core/colors/%1.def").arg(QLatin1String(base));
        for (const char *suffix : {".def", ".lst"})
            QFile::copy(source, colors + QLatin1String(base) + QLatin1String(suffix));
    }

    const QList<qint64> counts = benchCounts(argc, argv, {1000000, 10000000});
    const QString folder = benchFolder(home.path());
    for (const qint64 count : std::as_const(counts)) {
        printMachineLoad();
        benchFrames(count, folder);
    }
    printMachineLoad();
    return 0;
}
