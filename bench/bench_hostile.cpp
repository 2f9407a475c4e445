// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile and huge inputs: what they cost in time and memory.
//
//   bench_hostile                 random, tags and colours
//   bench_hostile random          100 MB of random bytes: the reader, drfdump --log, the viewer
//   bench_hostile tags            tag names of 1, 4 and 16 MiB without a colon: peak memory of
//                                 the reader, drfdump and the viewer against an empty file
//   bench_hostile gigabyte [--viewer]
//                                 a capture of about 1 GB generated on the fly into a temporary
//                                 folder and removed afterwards: drfdump --generate, drfdump's
//                                 table, the reader; with --viewer also the viewer (many GB)
//   bench_hostile colours         a million-line colour file: the reader and the colour dialog
//   bench_hostile rows [N]        the table, scroller and detail panel with N rows (default
//                                 100,000,000; every row shows the same record)
//
// Each measured program runs in a fresh process, so that its peak memory is its own.

#include "benchsupport.h"
#include "procstatus.h"

#include "capturebuilder.h"
#include "framescopeprobe.h"
#include "testenv.h"

#include "viewer/colors/colordlg.h"
#include "core/colors/colorfile.h"
#include "core/files/capture.h"
#include "core/files/capturefile.h"
#include "core/files/framereader.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/frametableview.h"
#include "core/filters/framerows.h"
#include "viewer/views/scrolltracker.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

using namespace Korvex;

namespace {
/// Counts the log lines and their characters, keeping none.
class CountingSink final : public FrameReaderSink
{
public:
    void log(const QString &text, LogLevel) override
    {
        ++lines;
        chars += text.size();
    }
    void progress(int) override {}
    qint64 lines = 0;
    qint64 chars = 0;
};

/// What one run of a program cost: wall time, CPU time and peak resident memory.
struct Run
{
    int status = -1;
    double wallMs = 0;
    double cpuMs = 0;
    qint64 peakKiB = 0;
};

/// Runs a program with its output going to outputFile (empty: this program's output) and
/// measures that process alone, through wait4.
Run measure(const QString &program, const QStringList &arguments,
            const QString &outputFile = QStringLiteral("/dev/null"))
{
    std::fflush(stdout);
    QList<QByteArray> storage{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        storage.append(QFile::encodeName(argument));
    QList<char *> argv;
    for (QByteArray &argument : storage)
        argv.append(argument.data());
    argv.append(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray output = QFile::encodeName(outputFile);
    if (!output.isEmpty())
        posix_spawn_file_actions_addopen(&actions, 1, output.constData(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Run run;
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv.first(), &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return run;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.wallMs = double(clock.nsecsElapsed()) / 1e6;
    run.cpuMs = (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3)
                + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    run.peakKiB = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return run;
}

void print(const char *what, const Run &run)
{
    std::printf("  %-40s %9.1f ms wall %9.1f ms cpu %8.1f MiB peak (exit %d)\n", what, run.wallMs,
                run.cpuMs, mibOfKiB(run.peakKiB), run.status);
    std::fflush(stdout);
}

Run self(const QStringList &arguments)
{
    return measure(QCoreApplication::applicationFilePath(), arguments, QString());
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// ---------------------------------------------------------------- children (fresh processes)

// The reader alone, keeping what it reads as the viewer would.
int childReader(const QString &fileName)
{
    const qint64 before = statusKiB("VmHWM:");
    Capture capture(fileName);
    CountingSink sink;
    QElapsedTimer clock;
    clock.start();
    const Capture::Status result = capture.load(sink);
    const double elapsed = double(clock.nsecsElapsed()) / 1e6;
    const qint64 after = statusKiB("VmHWM:");
    std::printf("    reader: %.1f ms, %lld frames, %lld log lines of %lld characters, result %d, "
                "peak grew %.1f MiB\n",
                elapsed, capture.frameCount(), sink.lines, sink.chars, int(result),
                mibOfKiB(after - before));
    return 0;
}

// The viewer's load until the table and the log panel are complete.
int childViewer(const QString &fileName)
{
    TestEnv env;
    Framescope window{QString()};
    window.resize(1000, 700);
    window.show();
    QCoreApplication::processEvents();
    const qint64 before = statusKiB("VmHWM:");
    QElapsedTimer clock;
    clock.start();
    FramescopeProbe::loadFile(window, fileName);
    const double loaded = double(clock.nsecsElapsed()) / 1e6;
    // The log is complete as the load returns; the panel shows its last line.
    LogView *panel = FramescopeProbe::ui(window).txtLog;
    panel->viewport()->repaint();
    QCoreApplication::processEvents();
    const double complete = double(clock.nsecsElapsed()) / 1e6;
    std::printf("    viewer: loadFile %.1f ms, log panel complete and shown %.1f ms, %lld frames, "
                "%lld log lines, peak grew %.1f MiB\n",
                loaded, complete, FramescopeProbe::frameCount(window),
                panel->model()->rowCount(), mibOfKiB(statusKiB("VmHWM:") - before));
    std::fflush(stdout);
    return 0;
}

// The colour dialog reading its working copies (the million-line file among them).
int childColourDialog()
{
    // The folders were set up by the parent through XDG_DATA_HOME.
    const qint64 before = statusKiB("VmHWM:");
    QElapsedTimer clock;
    clock.start();
    ColorDlg dialog;
    const double read = double(clock.nsecsElapsed()) / 1e6;
    clock.restart();
    dialog.fillColorList(0);
    const double filled = double(clock.nsecsElapsed()) / 1e6;
    std::printf("    colour dialog: constructed in %.1f ms, list filled in %.1f ms, peak grew "
                "%.1f MiB\n",
                read, filled, mibOfKiB(statusKiB("VmHWM:") - before));
    return 0;
}

// The table and its row labels with `count` rows: the model holds a window of them, so no
// int pixel position overflows whatever the count. (The overview strip and the detail panel
// at a hundred million real frames are bench_views'.)
int childRows(qint64 count)
{
    TestEnv env;
    Framescope window{QString()};
    window.resize(1000, 700);
    window.show();
    QCoreApplication::processEvents();

    FrameTableModel *model = FramescopeProbe::model(window);
    auto *table = static_cast<FrameTableView *>(FramescopeProbe::ui(window).tblFrames);
    QElapsedTimer clock;
    clock.start();
    FramescopeProbe::session(window).setRows(FrameRows(count), QString());
    QCoreApplication::processEvents();
    const double shown = double(clock.nsecsElapsed()) / 1e6;
    clock.restart();
    table->goToShownRow(count - 1);
    QCoreApplication::processEvents();
    const double toLast = double(clock.nsecsElapsed()) / 1e6;
    QHeaderView *rows = table->verticalHeader();
    std::printf("    %lld rows: model window %d rows from %lld; shown in %.1f ms; last row current "
                "and scrolled to in %.1f ms\n",
                count, model->rowCount(), model->windowBase(), shown, toLast);
    std::printf("    row height %d, header length %d, last row label %s, scroll bar %d of %d\n",
                rows->defaultSectionSize(), rows->length(),
                qPrintable(model->headerData(model->rowCount() - 1, Qt::Vertical).toString()),
                table->shownScrollBar()->value(), table->shownScrollBar()->maximum());
    std::fflush(stdout);
    return 0;
}

// ---------------------------------------------------------------- the cases

void randomBytes(const QTemporaryDir &dir)
{
    std::printf("100 MB of random bytes\n");
    for (const char *name : {"random.drf3", "random-block.drf3"}) {
        const QString path = dir.filePath(QLatin1String(name));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        if (qstrcmp(name, "random-block.drf3") == 0)
            file.write("{TYPE:x}{DATA LIST-1:#");
        QRandomGenerator random(20111);
        QByteArray chunk(1 << 20, Qt::Uninitialized);
        for (int i = 0; i < 100; ++i) {
            random.fillRange(reinterpret_cast<quint32 *>(chunk.data()), chunk.size() / 4);
            file.write(chunk);
        }
        file.close();
        std::printf(" %s\n", name);
        print("reader (fresh process)", self({QStringLiteral("--child"), QStringLiteral("reader"), path}));
        print("drfdump --log > /dev/null",
              measure(QStringLiteral(DRFDUMP_PATH), {QStringLiteral("--log"), path}));
        print("drfdump (table) > /dev/null", measure(QStringLiteral(DRFDUMP_PATH), {path}));
        print("viewer (fresh process)", self({QStringLiteral("--child"), QStringLiteral("viewer"), path}));
        QFile::remove(path);
    }
}

void endlessTags(const QTemporaryDir &dir)
{
    std::printf("tag names without a colon (peak memory against an empty file)\n");
    const QString empty = dir.filePath(QStringLiteral("empty.drf3"));
    writeFile(empty, QByteArray());
    const Run baseDump = measure(QStringLiteral(DRFDUMP_PATH), {QStringLiteral("--log"), empty});
    print("drfdump --log, empty file", baseDump);
    for (int mebibytes : {1, 4, 16}) {
        const QString path = dir.filePath(QStringLiteral("tag%1.drf3").arg(mebibytes));
        writeFile(path, "{" + QByteArray(qsizetype(mebibytes) << 20, 'N'));
        std::printf(" %d MiB tag name\n", mebibytes);
        self({QStringLiteral("--child"), QStringLiteral("reader"), path});
        const Run dump = measure(QStringLiteral(DRFDUMP_PATH), {QStringLiteral("--log"), path});
        print("drfdump --log", dump);
        std::printf("    drfdump peak over the empty file: %.1f MiB, %.1f bytes per byte of tag\n",
                    mibOfKiB(dump.peakKiB - baseDump.peakKiB),
                    double(dump.peakKiB - baseDump.peakKiB) * 1024 / double(qint64(mebibytes) << 20));
        if (mebibytes <= 4)
            self({QStringLiteral("--child"), QStringLiteral("viewer"), path});
        QFile::remove(path);
    }
}

void gigabyte(const QTemporaryDir &dir, bool withViewer)
{
    // About 28 bytes a generated frame.
    const qint64 frames = 38000000;
    const QString path = dir.filePath(QStringLiteral("gigabyte.drf3"));
    std::printf("capture of %lld generated frames\n", frames);
    print("drfdump --generate",
          measure(QStringLiteral(DRFDUMP_PATH),
                  {QStringLiteral("--generate"), QString::number(frames), QStringLiteral("--seed"),
                   QStringLiteral("1"), QStringLiteral("-o"), path}));
    std::printf("    file size %.1f MB\n", double(QFileInfo(path).size()) / 1e6);
    print("drfdump (table) > /dev/null", measure(QStringLiteral(DRFDUMP_PATH), {path}));
    print("reader (fresh process)", self({QStringLiteral("--child"), QStringLiteral("reader"), path}));
    if (withViewer)
        print("viewer (fresh process)", self({QStringLiteral("--child"), QStringLiteral("viewer"), path}));
    QFile::remove(path);
}

void colours(const QTemporaryDir &dir)
{
    std::printf("colour file of a million lines\n");
    QByteArray bytes;
    for (int i = 0; i < 1000000; ++i)
        bytes += "Data Channel " + QByteArray::number(i % 1000) + ";1;2;3;4;5;"
                 + QByteArray::number(i % 256) + '\n';
    const QString path = dir.filePath(QStringLiteral("million.lst"));
    writeFile(path, bytes);
    QElapsedTimer clock;
    clock.start();
    const std::optional<ColorFile::Table> table = ColorFile::read(path);
    std::printf("  ColorFile::read of %.1f MB: %.1f ms, %lld entries\n", double(bytes.size()) / 1e6,
                double(clock.nsecsElapsed()) / 1e6, table ? qint64(table->size()) : -1);

    // The same file as the 3G working copy of a user's data folder.
    const QString home = dir.filePath(QStringLiteral("home"));
    const QString folder = home + QStringLiteral("/Kestrant/Framescope/");
    QDir().mkpath(folder);
    QFile::copy(path, folder + QStringLiteral("colors3G.lst"));
    QFile::copy(QStringLiteral(FRAMESCOPE_SOURCE_DIR "/core/colors/colorsV4.def"),
                folder + QStringLiteral("colorsV4.lst"));
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(home));
    print("colour dialog (fresh process)", self({QStringLiteral("--child"), QStringLiteral("colordlg")}));
    qputenv("XDG_DATA_HOME", saved);
    QFile::remove(path);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 3 && qstrcmp(argv[1], "--child") == 0) {
        const QByteArray what = argv[2];
        if (what == "reader") {
            QCoreApplication app(argc, argv);
            return childReader(QString::fromLocal8Bit(argv[3]));
        }
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        if (what == "viewer")
            return childViewer(QString::fromLocal8Bit(argv[3]));
        if (what == "colordlg")
            return childColourDialog();
        if (what == "rows")
            return childRows(QByteArray(argv[3]).toLongLong());
        return 2;
    }

    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    QTemporaryDir dir;
    if (arguments.isEmpty() || arguments.first() == QLatin1String("random"))
        randomBytes(dir);
    if (arguments.isEmpty() || arguments.first() == QLatin1String("tags"))
        endlessTags(dir);
    if (arguments.isEmpty() || arguments.first() == QLatin1String("colours"))
        colours(dir);
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("gigabyte"))
        gigabyte(dir, arguments.contains(QLatin1String("--viewer")));
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("rows")) {
        const QString count = arguments.value(1, QStringLiteral("100000000"));
        std::printf("table and scroller\n");
        print("viewer (fresh process)", self({QStringLiteral("--child"), QStringLiteral("rows"), count}));
    }
    return 0;
}
