// SPDX-License-Identifier: GPL-3.0-or-later
// The log: a viewer load until its log is complete and the window painted, and the log panel
// at a hundred million rows.
//
//   bench_log [CAPTURE]    a capture of 1,000,000 generated frames unless one is given

#include "benchsupport.h"
#include "procstatus.h"

#include "framescopeprobe.h"
#include "testenv.h"

#include "viewer/views/logmodel.h"
#include "viewer/views/logview.h"
#include "core/files/loggedframes.h"
#include "core/files/loglines.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

#include <time.h>

using namespace Korvex;

namespace {

/// Frames without an index behind them, for a log longer than any capture made here.
class CountedFrames final : public LoggedFrames
{
public:
    int loggedPayloadBytes(qint64 n) const override { return int(n % 64); }
};

void viewerLoad(const QString &fileName)
{
    TestEnv env;
    Framescope window{QString()};
    window.resize(1000, 700);
    window.show();
    QCoreApplication::processEvents();
    const qint64 before = statusKiB("VmHWM:");
    QElapsedTimer clock;
    clock.start();
    const qint64 cpuStart = cpuNs();
    FramescopeProbe::loadFile(window, fileName);
    const qint64 loaded = clock.nsecsElapsed();
    const qint64 loadedCpu = cpuNs() - cpuStart;
    // The log is complete as the load returns; the window paints the Log tab it brought up.
    window.repaint();
    const qint64 painted = clock.nsecsElapsed();
    const qint64 paintedCpu = cpuNs() - cpuStart;
    const LogView *panel = FramescopeProbe::ui(window).txtLog;
    std::printf("  viewer load of %s\n", qPrintable(fileName));
    std::printf("    %lld log rows, last row shown: %s\n", panel->model()->rowCount(),
                panel->visualRect(panel->model()->rowCount() - 1).isValid() ? "yes" : "no");
    std::printf("    loadFile returned, log complete %9.1f ms wall %9.1f ms cpu\n", ms(loaded),
                ms(loadedCpu));
    std::printf("    window painted                  %9.1f ms wall %9.1f ms cpu\n", ms(painted),
                ms(paintedCpu));
    std::printf("    peak RSS %.1f MiB (grew %.1f MiB in the load)\n", mibOfKiB(statusKiB("VmHWM:")),
                mibOfKiB(statusKiB("VmHWM:") - before));
}

void hugeLog(qint64 frames)
{
    LogModel model;
    LogView view;
    view.setModel(&model);
    view.resize(800, 500);
    view.show();
    QCoreApplication::processEvents();
    const auto counted = std::make_shared<CountedFrames>();
    QElapsedTimer clock;
    const auto time = [&](const char *what, const auto &step) {
        clock.start();
        step();
        std::printf("    %-44s %9.2f ms\n", what, ms(clock.nsecsElapsed()));
    };
    std::printf("  log panel with %lld frame rows\n", frames);
    const auto log = std::make_shared<LogLines>();
    time("appended in runs of 65536 frames, as a load", [&] {
        log->append(QStringLiteral("Open file: success"), LogLevel::Info);
        model.follow(log);
        for (qint64 first = 0; first < frames; first += 65536) {
            log->appendFrames(counted, first, qMin<qint64>(65536, frames - first));
            model.follow(log);
        }
        log->append(QStringLiteral("done"), LogLevel::Info);
        model.follow(log);
    });
    time("painted at the last row", [&] { view.viewport()->repaint(); });
    time("Home, painted", [&] {
        view.verticalScrollBar()->setValue(0);
        view.viewport()->repaint();
    });
    time("scroll bar to the middle, painted", [&] {
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
        view.viewport()->repaint();
    });
    time("Select All, painted", [&] {
        view.selectAll();
        view.viewport()->repaint();
    });
    const qint64 before = statusKiB("VmHWM:");
    time("Copy (first 1,000,000 lines)", [&] { view.copy(); });
    std::printf("    copied %lld characters; peak RSS grew %.1f MiB in the copy\n",
                qint64(QGuiApplication::clipboard()->text().size()),
                mibOfKiB(statusKiB("VmHWM:") - before));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QString capture = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (capture.isEmpty()) {
        capture = dir.filePath(QStringLiteral("bench.drf3"));
        const int exit = QProcess::execute(QStringLiteral(DRFDUMP_PATH),
                                           {QStringLiteral("--generate"), QStringLiteral("1000000"),
                                            QStringLiteral("--seed"), QStringLiteral("1"),
                                            QStringLiteral("-o"), capture});
        if (exit != 0)
            return 1;
    }
    viewerLoad(capture);
    hugeLog(100'000'000);
    std::fflush(stdout);
    return 0;
}
