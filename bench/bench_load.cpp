// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a large capture: the reader building the index, drfdump's outputs, the viewer's
// load, and memory.
//
//   bench_load [FRAMES...]        captures of 1,000,000 and 10,000,000 frames unless counts
//                                 are given (100000000 for the largest target)
//
// Captures are written with random time deltas into BENCH_DIR (default: a temporary folder)
// and kept there when BENCH_DIR is set, so that a second run finds them in the page cache.
// Each viewer load runs in a fresh process (bench_load --viewer FILE) so that its peak memory
// is its own.

#include "benchsupport.h"
#include "procstatus.h"

#include "capturebuilder.h"
#include "framescopeprobe.h"
#include "testenv.h"

#include "core/files/capture.h"
#include "core/files/framereader.h"
#include "viewer/views/frametablemodel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStatusBar>
#include <QProcess>
#include <QProgressBar>
#include <QProgressDialog>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <malloc.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Korvex;

namespace {

class NullSink final : public FrameReaderSink
{
public:
    void log(const QString &, LogLevel) override { ++lines; }
    void progress(int) override { ++values; }
    qint64 lines = 0;
    qint64 values = 0;
};

double mib(qint64 bytes)
{
    return double(bytes) / 1048576.0;
}
/// A moment of the load: wall time since its start and CPU time spent by then.
struct Mark
{
    qint64 wall = 0;
    qint64 cpu = 0;
};

/// Records when the window paints, to find the longest time it went without.
class PaintWatch : public QObject
{
public:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && object->isWidgetType())
            paints.append(clock.nsecsElapsed());
        return false;
    }
    QElapsedTimer clock;
    QList<qint64> paints;
};

/// The application, timing every event it delivers at the outermost level, to name what
/// keeps the event loop busy longest.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (++m_depth > 1 || !timing) {
            const bool result = QApplication::notify(receiver, event);
            --m_depth;
            return result;
        }
        const qint64 start = cpuNs();
        const qint64 wallStart = clock.isValid() ? clock.nsecsElapsed() : 0;
        const QByteArray name = receiver->metaObject()->className() + QByteArray(" ")
                                + receiver->objectName().toLatin1();
        const int type = int(event->type());
        const bool result = QApplication::notify(receiver, event);
        const qint64 spent = cpuNs() - start;
        --m_depth;
        if (spent > 5000000)
            slow.append({spent, wallStart, type, name});
        return result;
    }

    struct Slow
    {
        qint64 cpu;
        qint64 wall;
        int type;
        QByteArray receiver;
    };
    QList<Slow> slow;
    bool timing = false;
    QElapsedTimer clock;

private:
    int m_depth = 0;
};

// The viewer: loadFile of one capture under the offscreen platform.
int runViewer(const QString &fileName)
{
    TestEnv env;
    Framescope window{QString()};
    window.resize(1000, 700);
    window.show();
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();

    // A first small load creates the progress bar, whose values then mark the stages.
    QTemporaryDir dir;
    const QString warmUp = dir.filePath(QStringLiteral("warm.drf3"));
    {
        QFile file(warmUp);
        file.open(QIODevice::WriteOnly);
        file.write(CaptureBuilder::randomCapture(10, 1));
    }
    FramescopeProbe::loadFile(window, warmUp);
    QProgressBar *bar = FramescopeProbe::loadBar(window);

    PaintWatch watch;
    QMap<int, Mark> stageAt;
    qint64 cpuStart = 0;
    const auto mark = [&] { return Mark{watch.clock.nsecsElapsed(), cpuNs() - cpuStart}; };
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
        // The first 5 and 10 come before the frames, the later ones from them.
        if ((value == 5 || value == 10 || value >= 85) && !stageAt.contains(value))
            stageAt.insert(value, mark());
    });
    // Asks every 20 ms for a repaint of a small part of the window (the status bar); it comes
    // only when the event loop gets to run, so the gaps between paints show any freeze.
    QTimer repaint;
    repaint.setInterval(20);
    QObject::connect(&repaint, &QTimer::timeout, [&] { window.statusBar()->update(); });
    qApp->installEventFilter(&watch);
    repaint.start();

    auto *app = static_cast<TimedApplication *>(qApp);
    app->timing = true;
    app->clock.start();
    const qint64 heapBefore = qint64(mallinfo2().uordblks);
    watch.clock.start();
    cpuStart = cpuNs();
    FramescopeProbe::loadFile(window, fileName);
    const Mark loadReturned = mark();
    QTableView *table = FramescopeProbe::ui(window).tblFrames;
    QImage image(table->viewport()->size(), QImage::Format_ARGB32);
    table->viewport()->render(&image);
    const Mark tablePainted = mark();
    const qint64 peakAtTable = statusKiB("VmHWM:");

    // The log is complete as the load returns; painting the panel shows its last lines.
    FramescopeProbe::ui(window).txtLog->viewport()->render(&image);
    const Mark logDone = mark();
    QCoreApplication::processEvents();
    repaint.stop();
    qApp->removeEventFilter(&watch);

    // The longest time without a paint between the start of the load and `until`.
    const auto longestGap = [&](qint64 until, qint64 *start) {
        qint64 longest = 0;
        qint64 previous = 0;
        QList<qint64> paints = watch.paints;
        paints.append(until);
        for (qint64 at : std::as_const(paints)) {
            if (at > until)
                at = until;
            if (at - previous > longest) {
                longest = at - previous;
                *start = previous;
            }
            previous = at;
            if (at == until)
                break;
        }
        return longest;
    };
    qint64 gapStart = 0;
    qint64 loadGapStart = 0;
    const qint64 gap = longestGap(logDone.wall, &gapStart);
    const qint64 loadGap = longestGap(tablePainted.wall, &loadGapStart);

    const qint64 frames = FramescopeProbe::frameCount(window);
    const qint64 lines = FramescopeProbe::logModel(window).rowCount();
    std::printf("    frames in the table        %lld, log lines %lld\n", frames, lines);
    std::printf("    stage                        wall ms     cpu ms\n");
    const auto line = [](const char *name, const Mark &at) {
        std::printf("    %-26s %9.1f  %9.1f\n", name, ms(at.wall), ms(at.cpu));
    };
    line("file open (progress 5)", stageAt.value(5));
    line("tags read (10)", stageAt.value(10));
    line("frames decoded (85)", stageAt.value(85));
    line("table set and sized (89)", stageAt.value(89));
    line("settings, recent files (95)", stageAt.value(95));
    line("scroller built (100)", stageAt.value(100));
    line("loadFile returned", loadReturned);
    line("table painted: READY", tablePainted);
    line("log panel complete", logDone);
    std::printf("    paints until the log is complete: %lld; longest gap %.1f ms wall at %.1f ms; "
                "until the table is ready %.1f ms wall at %.1f ms\n",
                qint64(watch.paints.size()), ms(gap), ms(gapStart), ms(loadGap), ms(loadGapStart));
    app->timing = false;
    std::sort(app->slow.begin(), app->slow.end(),
              [](const auto &a, const auto &b) { return a.cpu > b.cpu; });
    for (qsizetype i = 0; i < app->slow.size(); ++i) {
        const auto &event = app->slow.at(i);
        if (i < 5 || event.wall < tablePainted.wall)
            std::printf("      event taking %.1f ms cpu at %.1f ms: type %d to %s\n",
                        ms(event.cpu), ms(event.wall), event.type, event.receiver.constData());
    }
    std::printf("    heap growth                %8.1f MiB\n",
                double(qint64(mallinfo2().uordblks) - heapBefore) / 1048576.0);
    std::printf("    peak RSS at table ready    %8.1f MiB\n", double(peakAtTable) / 1024.0);
    std::printf("    peak RSS of the viewer     %8.1f MiB\n", double(statusKiB("VmHWM:")) / 1024.0);
    std::fflush(stdout);
    return 0;
}

void runReader(const QString &fileName, qint64 fileSize, qint64 count)
{
    const qint64 heapBefore = qint64(mallinfo2().uordblks);
    Capture capture(fileName);
    NullSink sink;
    QElapsedTimer clock;
    clock.start();
    const qint64 cpuBefore = cpuNs();
    capture.load(sink);
    const qint64 elapsed = clock.nsecsElapsed();
    const qint64 cpu = cpuNs() - cpuBefore;
    const qint64 heap = qint64(mallinfo2().uordblks) - heapBefore;
    std::printf("  (a) reader building the index %8.1f ms wall, %.1f ms cpu: %.1f M frames/s, "
                "%.0f MB/s by cpu time (%lld frames, %lld log lines, %lld progress calls)\n",
                ms(elapsed), ms(cpu), double(count) / (double(cpu) / 1e9) / 1e6,
                double(fileSize) / (double(cpu) / 1e3), capture.frameCount(), sink.lines,
                sink.values);
    std::printf("  (d) index %.2f bytes per frame (%.1f MiB); heap growth of the load %.1f MiB\n",
                double(capture.index().memoryBytes()) / double(count),
                mib(capture.index().memoryBytes()), mib(heap));
    // Reading frames back: a table page and a walk over everything.
    clock.restart();
    qint64 bytes = 0;
    for (qint64 n = count / 2; n < count / 2 + 40 && n < count; ++n)
        bytes += capture.frame(n).payload().size();
    const qint64 page = clock.nsecsElapsed();
    std::printf("      40 frames read back from the middle %.3f ms (%lld payload bytes)\n",
                ms(page), bytes);
}

void runDrfdump(const QString &fileName, const QStringList &options, const char *label)
{
    // Run by hand, so that the child's own resource use, its peak memory among it, comes back.
    QList<QByteArray> arguments{QByteArrayLiteral(DRFDUMP_PATH)};
    for (const QString &option : options + QStringList{fileName})
        arguments.append(QFile::encodeName(option));
    std::vector<char *> argv;
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    QElapsedTimer clock;
    clock.start();
    const pid_t child = fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execv(argv.front(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const qint64 cpu = (qint64(usage.ru_utime.tv_sec) + qint64(usage.ru_stime.tv_sec)) * 1000000000
                       + (qint64(usage.ru_utime.tv_usec) + qint64(usage.ru_stime.tv_usec)) * 1000;
    std::printf("  (b) drfdump %-16s %8.1f ms wall, %.1f ms cpu, peak %.1f MiB (exit %d)\n",
                label, ms(clock.nsecsElapsed()), ms(cpu), double(usage.ru_maxrss) / 1024.0,
                WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--viewer") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        TimedApplication app(argc, argv);
        return runViewer(QString::fromLocal8Bit(argv[2]));
    }

    QCoreApplication app(argc, argv);
    const QList<qint64> counts = benchCounts(argc, argv, {1000000, 10000000});

    printMachineLoad();
    QTemporaryDir temporary;
    const QString folder = benchFolder(temporary.path());
    for (qint64 count : std::as_const(counts)) {
        const QString fileName = folder + QStringLiteral("/bench%1.drf3").arg(count);
        if (!QFileInfo::exists(fileName)) {
            QElapsedTimer clock;
            clock.start();
            if (!writeBenchCapture(fileName, count)) {
                std::printf("cannot write %s\n", qPrintable(fileName));
                return 1;
            }
            std::printf("(capture written in %.1f s)\n", ms(clock.nsecsElapsed()) / 1000);
        }
        const qint64 size = QFileInfo(fileName).size();
        std::printf("%lld random frames, %.1f MB\n", count, double(size) / 1e6);
        std::fflush(stdout);

        runReader(fileName, size, count);
        std::fflush(stdout);
        runDrfdump(fileName, {}, "> /dev/null");
        runDrfdump(fileName, {QStringLiteral("--log")}, "--log");
        if (qEnvironmentVariableIsSet("BENCH_SKIP_VIEWER"))
            continue;
        std::printf("  (c) viewer loadFile (offscreen, fresh process)\n");
        std::fflush(stdout);

        QProcess viewer;
        viewer.setProcessChannelMode(QProcess::ForwardedChannels);
        viewer.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--viewer"), fileName});
        viewer.waitForFinished(-1);
        printMachineLoad();
    }
    return 0;
}
