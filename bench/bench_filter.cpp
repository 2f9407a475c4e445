// SPDX-License-Identifier: GPL-3.0-or-later
// Times the display filter, Find and export over large captures and prints the figures; for
// the largest capture also the filter applied in the window, with the longest time the window
// went without handling its events. Run it on the offscreen platform.
//
//   bench_filter [FRAMES...]     1,000,000 and 10,000,000 frames unless counts are given
//
// Captures come from BENCH_DIR (kept there) or a temporary folder.

#include "benchsupport.h"
#include "framescopeprobe.h"
#include "testenv.h"

#include "viewer/app/framescope.h"
#include "core/files/capture.h"
#include "core/export/frameexporter.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framebitmap.h"
#include "core/filters/framefilter.h"
#include "core/filters/framesearch.h"
#include "viewer/views/filterbar.h"
#include "core/filters/framerows.h"
#include "viewer/views/frametablemodel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QAction>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Korvex;

namespace {

class QuietSink final : public FrameReaderSink
{
public:
    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
};
void timeFilter(const Capture &capture, const char *text)
{
    FilterError error;
    const FilterExpression expression = FilterExpression::parse(QLatin1String(text), &error);
    std::vector<double> ms;
    qint64 matches = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        matches = FrameFilter(capture, expression).matchingFrames()->count();
        ms.push_back(msSince(timer));
    }
    std::printf("  filter %-48s median %8.1f ms  (%lld matches)\n", text, median(ms),
                static_cast<long long>(matches));
}

void timeFind(const Capture &capture, const QString &text, qint64 from)
{
    FilterError error;
    const FilterExpression expression = FilterExpression::parse(text, &error);
    std::vector<double> ms;
    FrameSearch::Result result;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        result = FrameSearch::find(capture, expression, FrameRows(capture.frameCount()), from,
                                   FrameSearch::Direction::Forward);
        ms.push_back(msSince(timer));
    }
    std::printf("  find next %-45s median %8.1f ms  (frame %lld, %lld after the start)\n",
                qPrintable(text), median(ms), static_cast<long long>(result.frame),
                static_cast<long long>(result.frame - from));
}

void timeExport(const Capture &capture, const FrameRows &frames, const char *what,
                const QString &folder)
{
    const QString path = folder + QStringLiteral("/bench-export.drf3");
    std::vector<double> ms;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        QString error;
        if (FrameExporter::write(capture, frames, FrameExporter::Format::Capture, path, {}, &error)
            != FrameExporter::Result::Written) {
            std::printf("  export failed: %s\n", qPrintable(error));
            return;
        }
        ms.push_back(msSince(timer));
    }
    std::printf("  export %-48s median %8.1f ms  (%lld frames, %lld bytes)\n", what, median(ms),
                static_cast<long long>(frames.count()),
                static_cast<long long>(QFile(path).size()));
    QFile::remove(path);
}

/// Applies a filter in the window and measures how long its event loop went without a turn:
/// a timer repaints the table every 5 ms and notes when it gets to run.
void timeWindowFilter(std::unique_ptr<Capture> capture, const char *text)
{
    Framescope window{QString()};
    window.resize(1000, 800);
    window.show();
    FramescopeProbe::showCapture(window, std::move(capture));
    LoopGaps gaps([&window] { FramescopeProbe::ui(window).tblFrames->viewport()->repaint(); });
    FilterBar *bar = FramescopeProbe::ui(window).filterBar;
    bar->setText(QLatin1String(text));
    QApplication::processEvents();
    gaps.start();
    QElapsedTimer timer;
    timer.start();
    bar->applyButton()->click();
    if (!FramescopeProbe::settle(window))
        std::printf("  the filter did not end\n");
    const double total = msSince(timer);
    const double longest = gaps.stop();
    std::printf("  window filter %-41s %8.1f ms  (%lld shown; longest gap between event-loop "
                "turns %.1f ms, %lld repaints)\n",
                text, total, static_cast<long long>(FramescopeProbe::model(window)->rows().count()),
                longest, static_cast<long long>(gaps.turns()));
    // The overview strip with hidden frames dimmed and a few thousand marks.
    const qint64 shown = FramescopeProbe::model(window)->rows().count();
    for (qint64 row = 0; row < shown; row += qMax<qint64>(1, shown / 4000)) {
        FramescopeProbe::ui(window).tblFrames->goToShownRow(row);
        FramescopeProbe::ui(window).actionMark->trigger();
    }
    std::vector<double> ms;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer build;
        build.start();
        window.buildFramesScroller();
        ms.push_back(msSince(build));
    }
    QSize image;
    for (QGraphicsItem *item : FramescopeProbe::scene(window).items()) {
        if (auto *bars = dynamic_cast<QGraphicsPixmapItem *>(item))
            image = bars->pixmap().size();
    }
    std::printf("  overview rebuild, filtered, %lld marks, %d x %d pixels  median %8.2f ms\n",
                static_cast<long long>(FramescopeProbe::marks(window).count()), image.width(),
                image.height(), median(ms));
    // The marks file goes with the marks: the capture folder stays as it was.
    FramescopeProbe::ui(window).actionUnmarkAll->trigger();
}

} // namespace

int main(int argc, char *argv[])
{
    // The window's colour files and settings in a folder of their own.
    const TestEnv env;
    QApplication app(argc, argv);
    const QList<qint64> counts = benchCounts(argc, argv, {1000000, 10000000});
    QTemporaryDir temporary;
    const QString folder = benchFolder(temporary.path());
    for (qint64 count : counts) {
        const QString path = QStringLiteral("%1/bench%2.drf3").arg(folder).arg(count);
        if (!QFile::exists(path) && !writeBenchCapture(path, count))
            return 1;
        auto loaded = std::make_unique<Capture>(path);
        QuietSink sink;
        loaded->load(sink);
        const Capture &capture = *loaded;
        std::printf("%lld frames\n", static_cast<long long>(capture.frameCount()));
        printMachineLoad();
        timeFilter(capture, "channel == \"RF IC Control\" and cts == 0");
        timeFilter(capture, "frame >= 1000 and frame < 5000000 or size == 512");
        timeFilter(capture, "payload contains 7e ?? 01");
        timeFilter(capture, "time > 1s and payload contains 7e 7e");
        // A pattern first met some 900,000 frames on: four payload bytes of that frame.
        const qint64 from = capture.frameCount() / 3;
        const qint64 target = qMin(capture.frameCount() - 1, from + 900000);
        const QByteArray bytes = capture.frame(target).payload().left(4);
        QStringList hex;
        for (const char byte : bytes)
            hex.append(QString::fromLatin1(QByteArray(1, byte).toHex()));
        timeFind(capture, QStringLiteral("payload contains ") + hex.join(QLatin1Char(' ')), from);
        timeFind(capture, QStringLiteral("frame == %1").arg(target), from);
        const qint64 million = qMin<qint64>(1000000, capture.frameCount());
        auto first = std::make_shared<FrameBitmap>(capture.frameCount());
        auto spread = std::make_shared<FrameBitmap>(capture.frameCount());
        for (qint64 n = 0; n < million; ++n) {
            first->set(n);
            spread->set(n * (capture.frameCount() / million));
        }
        first->finish();
        spread->finish();
        timeExport(capture, FrameRows(first), "the first 1,000,000 frames", folder);
        timeExport(capture, FrameRows(spread), "1,000,000 frames spread over all", folder);
        if (count == counts.last())
            timeWindowFilter(std::move(loaded), "channel == \"RF IC Control\" and cts == 0");
        printMachineLoad();
    }
    return 0;
}
