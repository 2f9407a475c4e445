// SPDX-License-Identifier: GPL-3.0-or-later
// Printing a large capture to a PDF file from the window, as a user does it: the time it takes,
// the pages written, and the longest time the window went without a repaint meanwhile. Then the
// same print cancelled after a second: how soon it stops and whether a file is left.
//
//   bench_print [FRAMES...]        a capture of 100000 frames unless counts are given
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "benchsupport.h"
#include "procstatus.h"

#include "capturebuilder.h"
#include "framescopeprobe.h"
#include "opendialog.h"
#include "printtofile.h"
#include "testenv.h"

#include "viewer/views/printframesdlg.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPrintDialog>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include <time.h>

#include <cstdio>

using namespace Korvex;

namespace {

QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("unknown");
}

int pdfPages(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray pdf = file.readAll();
    return pdf.startsWith("%PDF-") ? int(pdf.count("/Type /Page\n")) : -1;
}

/// Records when any widget paints, in wall and CPU time, to find the longest time the window
/// went without and how much of it the process spent working (the rest is the machine's).
class PaintWatch : public QObject
{
public:
    struct Mark
    {
        qint64 wall = 0;
        qint64 cpu = 0;
    };

    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && object->isWidgetType())
            paints.append(now());
        return false;
    }

    Mark now() const { return Mark{clock.nsecsElapsed(), cpuNs()}; }

    /// The longest time without a paint from `from` to `until`, as the marks that bound it.
    std::pair<Mark, Mark> longestGap(const Mark &from, const Mark &until) const
    {
        std::pair<Mark, Mark> longest{from, from};
        Mark previous = from;
        QList<Mark> marks;
        for (const Mark &at : paints) {
            if (at.wall > from.wall && at.wall < until.wall)
                marks.append(at);
        }
        marks.append(until);
        for (const Mark &at : std::as_const(marks)) {
            if (at.wall - previous.wall > longest.second.wall - longest.first.wall)
                longest = {previous, at};
            previous = at;
        }
        return longest;
    }

    QElapsedTimer clock;
    QList<Mark> paints;
};

/// Runs the window's Print action for every frame to `pdf`; `cancelAfterMs` >= 0 presses the
/// progress dialog's Cancel that long after printing started. Prints the figures.
void print(Framescope &window, const QString &pdf, int cancelAfterMs)
{
    PaintWatch watch;
    PaintWatch::Mark printingFrom;
    // Asks every 20 ms for a repaint of a small part of the window; it comes only when the
    // event loop gets to run, so the gaps between paints show any freeze.
    QTimer repaint;
    repaint.setInterval(20);
    QObject::connect(&repaint, &QTimer::timeout, [&] { window.statusBar()->update(); });
    qApp->installEventFilter(&watch);
    watch.clock.start();
    repaint.start();
    FramescopeProbe::ui(window).actionPrint->trigger();
    OpenDialog::top<PrintFramesDlg>()->accept();
    auto *dialog = OpenDialog::top<QPrintDialog>();
    if (!printToFile(dialog, pdf))
        qFatal("the print dialog offers no PDF file");
    if (cancelAfterMs >= 0) {
        QTimer::singleShot(cancelAfterMs, [] {
            if (auto *progress = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget()))
                progress->cancel();
        });
    }
    printingFrom = watch.now();
    dialog->accept();
    if (!FramescopeProbe::settle(window))
        qFatal("the printout did not end");
    const PaintWatch::Mark done = watch.now();
    repaint.stop();
    qApp->removeEventFilter(&watch);

    const auto [gapFrom, gapUntil] = watch.longestGap(printingFrom, done);
    const qint64 printing = done.wall - printingFrom.wall;
    const qint64 cpu = done.cpu - printingFrom.cpu;
    if (cancelAfterMs < 0) {
        const int pages = pdfPages(pdf);
        std::printf("  print all to PDF          %9.1f ms wall, %.1f ms cpu; %d pages (%.2f ms "
                    "a page), %.1f MB\n",
                    ms(printing), ms(cpu), pages, ms(printing) / qMax(1, pages),
                    double(QFile(pdf).size()) / 1e6);
    } else {
        std::printf("  cancelled after %d ms     stopped %.1f ms after the press; PDF %s\n",
                    cancelAfterMs, ms(printing) - cancelAfterMs,
                    QFile::exists(pdf) ? "left behind" : "removed");
    }
    std::printf("    repaints %lld, longest gap %.1f ms wall (%.1f ms of it cpu) at %.1f ms "
                "into printing\n",
                qint64(watch.paints.size()), ms(gapUntil.wall - gapFrom.wall),
                ms(gapUntil.cpu - gapFrom.cpu), ms(gapFrom.wall - printingFrom.wall));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.append(QByteArray(argv[i]).toInt());
    if (counts.isEmpty())
        counts = {100000};

    TestEnv env;
    QTemporaryDir dir;
    std::printf("load average at start: %s\n", loadAverage().constData());
    for (const int count : std::as_const(counts)) {
        const QString capturePath = dir.filePath(QStringLiteral("print%1.drf3").arg(count));
        {
            QFile file(capturePath);
            file.open(QIODevice::WriteOnly);
            file.write(CaptureBuilder::randomCapture(count, 42));
        }
        Framescope window{QString()};
        window.resize(1000, 700);
        window.show();
        FramescopeProbe::loadFile(window, capturePath);
        QCoreApplication::processEvents();
        std::printf("%d random frames\n", count);
        const qint64 rssBefore = statusKiB("VmRSS:");

        const QString pdf = dir.filePath(QStringLiteral("print%1.pdf").arg(count));
        print(window, pdf, -1);
        std::printf("    peak RSS %.1f MiB (%.1f MiB before printing)\n",
                    double(statusKiB("VmHWM:")) / 1024.0, double(rssBefore) / 1024.0);
        QFile::remove(pdf);
        print(window, pdf, 1000);
        std::printf("  load average now: %s\n", loadAverage().constData());
    }
    return 0;
}
