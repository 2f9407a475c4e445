// SPDX-License-Identifier: GPL-3.0-or-later
// Times the frame views at large captures: an overview rebuild (what every window resize does),
// selecting a frame with the detail panel redrawn, paging, jumping to the last frame, dragging
// the tracker and the scroll bar; then paging and selecting again with field definitions that
// make every frame a message, shown in field columns. Prints its figures; run it on the
// offscreen platform.
//
//   bench_views [FRAMES...]       1,000,000 and 10,000,000 frames unless counts are given
//
// Captures go to BENCH_DIR (kept) or a temporary folder.

#include "benchsupport.h"
#include "testenv.h"
#include "framescopeprobe.h"

#include "viewer/app/framescope.h"
#include "core/fields/fielddefinitions.h"
#include "core/files/capture.h"
#include "core/session/capturesession.h"
#include "core/text/frametext.h"
#include "viewer/views/frametableview.h"
#include "viewer/views/scrolltracker.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Korvex;

namespace {

/// Discards what a load reports.
class QuietSink final : public FrameReaderSink
{
public:
    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
};

ScrollTracker *findTracker(QGraphicsView *view)
{
    for (QGraphicsItem *item : view->scene()->items()) {
        if (auto *tracker = dynamic_cast<ScrollTracker *>(item))
            return tracker;
    }
    return nullptr;
}

// One message per logical channel, so that every frame is a message and every row painted is
// decoded: a field in hex, one with value names and one scaled with a unit, all within the
// payload of the smallest frames.
std::shared_ptr<const FieldDefinitions> everyFrameAMessage()
{
    QByteArray text = "format = 1\n";
    for (int channel = 0; channel < 16; ++channel) {
        text += "[[message]]\nname = \"Channel" + QByteArray::number(channel) + "\"\nchannel = "
                + QByteArray::number(channel) + "\n"
                "[[message.field]]\nname = \"byte\"\nstart = 0\nlength = 8\nbase = 16\n"
                "[[message.field]]\nname = \"low\"\nstart = 4\nlength = 4\n"
                "values = { 0 = \"zero\", 1 = \"one\", 2 = \"two\" }\n"
                "[[message.field]]\nname = \"level\"\nstart = 0\nlength = 8\nsigned = true\n"
                "scale = 0.25\noffset = -3\nunit = \"dB\"\n";
    }
    QStringList errors;
    auto definitions = FieldDefinitions::parse(text, QStringLiteral("bench.fields.toml"), &errors);
    if (!definitions)
        std::printf("%s\n", qPrintable(errors.join(QLatin1Char('\n'))));
    return definitions;
}

void report(const char *what, const std::vector<double> &ms)
{
    std::printf("  %-44s median %8.3f ms   max %8.3f ms   (%zu runs)\n", what, median(ms),
                maximum(ms), ms.size());
}

void benchFrames(qint64 count, const QString &folder)
{
    const QString file = QStringLiteral("%1/bench%2.drf3").arg(folder).arg(count);
    if (!QFileInfo::exists(file) && !writeBenchCapture(file, count)) {
        std::printf("cannot write %s\n", qPrintable(file));
        return;
    }

    Framescope window(QString{});
    window.resize(840, 601);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::printf("the window was not exposed: repaints are not timed\n");
    QElapsedTimer timer;
    timer.start();
    // Loaded straight into the window: the load itself is bench_load's.
    auto capture = std::make_unique<Capture>(file);
    QuietSink sink;
    capture->load(sink);
    FramescopeProbe::showCapture(window, std::move(capture));
    const double loadMs = msSince(timer);

    auto *table = window.findChild<FrameTableView *>(QStringLiteral("tblFrames"));
    auto *strip = window.findChild<QGraphicsView *>(QStringLiteral("gvFrames"));
    auto *payload = window.findChild<QPlainTextEdit *>(QStringLiteral("txtPayload"));
    auto *fields = window.findChild<QTreeWidget *>(QStringLiteral("trFields"));
    auto *next = window.findChild<QAction *>(QStringLiteral("actionGoNext"));
    auto *last = window.findChild<QAction *>(QStringLiteral("actionGoLast"));
    auto *first = window.findChild<QAction *>(QStringLiteral("actionGoFirst"));
    window.findChild<QTabWidget *>(QStringLiteral("tabs"))->setCurrentIndex(0);
    QApplication::processEvents();
    std::printf("%lld frames (loaded in %.0f ms, %lld rows in the table's window)\n", count,
                loadMs, static_cast<long long>(table->model()->rowCount()));
    const auto repaintAll = [&] {
        table->viewport()->repaint();
        strip->viewport()->repaint();
        payload->viewport()->repaint();
        fields->viewport()->repaint();
        window.statusBar()->repaint();
    };

    // Overview rebuilds: a direct rebuild, and a window resize with its repaint.
    std::vector<double> builds;
    for (int i = 0; i < 15; ++i) {
        timer.restart();
        window.buildFramesScroller();
        builds.push_back(msSince(timer));
    }
    report("overview rebuild", builds);
    for (QGraphicsItem *item : strip->scene()->items()) {
        if (auto *bars = dynamic_cast<QGraphicsPixmapItem *>(item))
            std::printf("  overview image %d x %d pixels\n", bars->pixmap().width(),
                        bars->pixmap().height());
    }
    std::vector<double> resizes;
    for (int i = 0; i < 10; ++i) {
        timer.restart();
        window.resize(840, i % 2 ? 601 : 701);
        strip->viewport()->repaint();
        resizes.push_back(msSince(timer));
    }
    report("window resize (rebuild + strip repaint)", resizes);

    // Selecting the next frame, with the panel and the status bar painted.
    const auto selectNext = [&](const char *what) {
        std::vector<double> selects;
        for (int i = 0; i < 200; ++i) {
            timer.restart();
            next->trigger();
            QCoreApplication::sendPostedEvents();
            repaintAll();
            selects.push_back(msSince(timer));
        }
        report(what, selects);
    };
    table->goToShownRow(count / 2);
    selectNext("select next frame + repaints");

    // Paging down with the keyboard, the window moving along now and then.
    const auto pageDown = [&](const char *what) {
        std::vector<double> pages;
        table->setFocus();
        for (int i = 0; i < 200; ++i) {
            timer.restart();
            QTest::keyClick(table, Qt::Key_PageDown);
            QCoreApplication::sendPostedEvents();
            repaintAll();
            pages.push_back(msSince(timer));
        }
        report(what, pages);
    };
    pageDown("page down + repaints");

    // Jumping to the last frame and back to the first.
    std::vector<double> jumps;
    for (int i = 0; i < 20; ++i) {
        timer.restart();
        (i % 2 ? first : last)->trigger();
        QCoreApplication::sendPostedEvents();
        repaintAll();
        jumps.push_back(msSince(timer));
    }
    report("jump to last / first frame + repaints", jumps);
    std::printf("  current row after the jumps: %lld\n", table->currentShownRow());

    // The scroll bar dragged to places all over the capture.
    std::vector<double> drags;
    QScrollBar *bar = table->shownScrollBar();
    for (int i = 0; i < 100; ++i) {
        timer.restart();
        bar->setValue(int(qint64(bar->maximum()) * ((i * 37) % 100) / 100));
        QCoreApplication::sendPostedEvents();
        repaintAll();
        drags.push_back(msSince(timer));
    }
    report("scroll bar moved anywhere + repaints", drags);

    // Dragging the tracker with the mouse a pixel at a time, the table scrolling along.
    ScrollTracker *tracker = findTracker(strip);
    std::vector<double> trackerDrags;
    bar->setValue(0);
    QWidget *viewport = strip->viewport();
    QPoint mouse = strip->mapFromScene(QPointF(5, tracker ? tracker->sceneBoundingRect().center().y() : 0));
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, mouse);
    for (int i = 0; i < 150 && tracker; ++i) {
        mouse += QPoint(0, 1);
        timer.restart();
        QTest::mouseMove(viewport, mouse);
        QCoreApplication::sendPostedEvents();
        repaintAll();
        trackerDrags.push_back(msSince(timer));
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, mouse);
    report("tracker drag by 1 px + repaints", trackerDrags);
    std::printf("  table top row after a drag of 150 px: %lld\n",
                table->shownRowAt(table->rowHeight(0) - 1));

    // The same with every frame a message: the Message column and the fields of one message
    // per channel type, as many as the table's width shows.
    const std::shared_ptr<const FieldDefinitions> definitions = everyFrameAMessage();
    if (!definitions)
        return;
    std::vector<FieldColumns::Column> columns{FieldColumns::Column()};
    for (int message = 0; message < definitions->messageCount(); ++message) {
        for (int field = 0; field < 3; ++field)
            columns.push_back({message, field});
    }
    FramescopeProbe::session(window).setFieldDefinitions(definitions, QString(), columns);
    QApplication::processEvents();
    int shownColumns = 0;
    for (int column = FrameText::ColumnCount; column < table->model()->columnCount(); ++column) {
        const int left = table->columnViewportPosition(column);
        shownColumns += left >= 0 && left < table->viewport()->width() ? 1 : 0;
    }
    std::printf("  with field definitions: %d field columns, %d of them in view\n",
                int(columns.size()), shownColumns);
    bar->setValue(bar->maximum() / 3);
    QCoreApplication::sendPostedEvents();
    pageDown("page down + repaints, field columns");
    selectNext("select next frame + repaints, fields");
    FramescopeProbe::session(window).setFieldDefinitions(nullptr, QString());
    QApplication::processEvents();
    pageDown("page down + repaints, no field columns");
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

    const QList<qint64> counts = benchCounts(argc, argv, {1000000, 10000000});
    const QString folder = benchFolder(home.path());
    for (const qint64 count : std::as_const(counts)) {
        printMachineLoad();
        benchFrames(count, folder);
    }
    return 0;
}
