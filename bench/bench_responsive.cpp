// SPDX-License-Identifier: GPL-3.0-or-later
// How long the window's event loop goes without a turn while the longest passes run on the
// task runner: the load of a large capture, a payload filter over it, and the statistics and
// time chart of the frames shown. A timer asks for a repaint of the table every 5 ms and notes
// when it gets to run; its longest gap is printed beside the pass's time and the machine's
// load. 10,000,000 frames unless counts are given.
#include "benchsupport.h"
#include "framescopeprobe.h"
#include "testenv.h"

#include "core/session/capturesession.h"
#include "viewer/stats/chartswindow.h"
#include "viewer/stats/statisticswindow.h"
#include "viewer/views/filterbar.h"
#include "viewer/views/frametablemodel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

using namespace Korvex;

namespace {

/// Runs `start`, then the event loop until the window's passes (and a pass of the tool
/// window's `kind`, if given) have ended, and prints the pass's time and the longest gap
/// between two turns of the loop: while the pass ran on its worker (up to the session's news
/// of its result), and in all, the window taking the result included.
void timeGaps(Framescope &window, const char *name, const std::function<void()> &start,
              const QString &kind = QString())
{
    CaptureSession &session = FramescopeProbe::session(window);
    double duringPass = -1;
    LoopGaps gaps([&window] { FramescopeProbe::ui(window).tblFrames->viewport()->update(); });
    const auto resultArrives = [&] {
        if (duringPass < 0)
            duringPass = gaps.longest();
    };
    const QMetaObject::Connection rows = QObject::connect(&session, &CaptureSession::rowsChanged, resultArrives);
    QObject::connect(&session, &CaptureSession::captureChanged, [&] {
        // The load lets go of the capture on display as it starts.
        if (session.capture())
            resultArrives();
    });
    gaps.start();
    QElapsedTimer timer;
    timer.start();
    start();
    const double starting = msSince(timer);
    const bool ended = runLoopUntil(
        [&] {
            return !FramescopeProbe::busy(window)
                   && (kind.isEmpty() || !session.tasks().isRunning(kind));
        },
        HangGuardMs);
    const double total = msSince(timer);
    const double longest = gaps.stop();
    QObject::disconnect(rows);
    session.disconnect();
    std::printf("  %-34s %9.1f ms%s; starting it took %.1f ms; longest gap between event-loop "
                "turns while the pass ran %.1f ms, with the result taken %.1f ms (%lld turns)\n",
                name, total, ended ? "" : " (did not end)", starting, duringPass, longest,
                static_cast<long long>(gaps.turns()));
}

} // namespace

int main(int argc, char *argv[])
{
    const TestEnv env;
    QApplication app(argc, argv);
    const QList<qint64> counts = benchCounts(argc, argv, {10000000});
    QTemporaryDir temporary;
    const QString folder = benchFolder(temporary.path());
    for (qint64 count : counts) {
        const QString path = QStringLiteral("%1/bench%2.drf3").arg(folder).arg(count);
        if (!QFile::exists(path) && !writeBenchCapture(path, count))
            return 1;
        std::printf("%lld frames\n", static_cast<long long>(count));
        printMachineLoad();
        Framescope window{QString()};
        window.resize(1000, 800);
        window.show();
        timeGaps(window, "load", [&] { window.loadFile(path); });
        std::printf("  %lld frames in the table\n",
                    static_cast<long long>(FramescopeProbe::model(window)->rows().count()));
        FilterBar *bar = FramescopeProbe::ui(window).filterBar;
        bar->setText(QStringLiteral("payload contains 7e ?? 01"));
        timeGaps(window, "filter payload contains 7e ?? 01", [&] { bar->applyButton()->click(); });
        std::printf("  %lld frames shown\n",
                    static_cast<long long>(FramescopeProbe::model(window)->rows().count()));
        bar->setText(QString());
        bar->applyButton()->click();
        timeGaps(
            window, "statistics window",
            [&] { QMetaObject::invokeMethod(&window, "showStatistics"); },
            StatisticsWindow::TaskKind);
        timeGaps(
            window, "charts window (time chart)",
            [&] { QMetaObject::invokeMethod(&window, "showCharts"); }, ChartsWindow::TaskKind);
        // Once more with the windows made: what a refresh costs after the first one.
        timeGaps(
            window, "statistics refreshed",
            [&] { FramescopeProbe::statisticsWindow(window)->refresh(); },
            StatisticsWindow::TaskKind);
        timeGaps(
            window, "charts refreshed", [&] { FramescopeProbe::chartsWindow(window)->refresh(); },
            ChartsWindow::TaskKind);
        printMachineLoad();
    }
    return 0;
}
