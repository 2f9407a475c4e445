// Times the frame views at a million frames: a scroller build (what every window resize does),
// selecting a frame with the detail panel redrawn, dragging the tracker and scrolling the table.
// Prints its figures; run it on the offscreen platform.

#include "app/framescope.h"
#include "views/scrolltracker.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Korvex;

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double maximum(const std::vector<double> &values)
{
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// A capture of random valid DigRF 3G frames in the layout the reader expects.
bool writeCapture(const QString &fileName, qint64 count)
{
    static const int words[] = {1, 1, 2, 3, 4, 8, 16};
    QRandomGenerator random(1234);
    QByteArray block;
    block.reserve(count * 28);
    auto word = [&block](quint32 value) {
        char bytes[4];
        qToLittleEndian<quint32>(value, bytes);
        block.append(bytes, 4);
    };
    for (qint64 i = 0; i < count; ++i) {
        const quint32 code = random.bounded(7u);
        word(code << 5 | random.bounded(16u) << 1 | random.bounded(2u));
        word(random.bounded(1000u));
        for (int w = 0; w < words[code]; ++w)
            word(random.generate());
    }
    QFile file(fileName);
    const QByteArray tags = "{TYPE:bench}{DATA LIST-" + QByteArray::number(block.size()) + ":#";
    return file.open(QIODevice::WriteOnly) && file.write(tags) == tags.size()
           && file.write(block) == block.size() && file.write("}", 1) == 1;
}

ScrollTracker *findTracker(QGraphicsView *view)
{
    for (QGraphicsItem *item : view->scene()->items()) {
        if (auto *tracker = dynamic_cast<ScrollTracker *>(item))
            return tracker;
    }
    return nullptr;
}

void report(const char *what, const std::vector<double> &ms)
{
    std::printf("  %-44s median %8.3f ms   max %8.3f ms   (%zu runs)\n", what, median(ms),
                maximum(ms), ms.size());
}

void benchFrames(qint64 count, const QString &folder)
{
    const QString file = QStringLiteral("%1/bench-%2.drf3").arg(folder).arg(count);
    if (!writeCapture(file, count)) {
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
    window.loadFile(file);
    const double loadMs = msSince(timer);

    auto *table = window.findChild<QTableView *>(QStringLiteral("tblFrames"));
    auto *strip = window.findChild<QGraphicsView *>(QStringLiteral("gvFrames"));
    auto *payload = window.findChild<QPlainTextEdit *>(QStringLiteral("txtPayload"));
    auto *next = window.findChild<QAction *>(QStringLiteral("actionGoNext"));
    // The load brought the log to the front; the user looks at the frames.
    window.findChild<QTabWidget *>(QStringLiteral("tabs"))->setCurrentIndex(0);
    QApplication::processEvents();
    std::printf("%lld frames (loaded in %.0f ms, %lld rows in the table)\n", count, loadMs,
                static_cast<long long>(table->model()->rowCount()));

    // Scroller builds: a direct rebuild, and a window resize with its repaint.
    std::vector<double> builds;
    for (int i = 0; i < 15; ++i) {
        timer.restart();
        window.buildFramesScroller();
        builds.push_back(msSince(timer));
    }
    report("scroller build", builds);
    std::vector<double> resizes;
    for (int i = 0; i < 10; ++i) {
        timer.restart();
        window.resize(840, i % 2 ? 601 : 701);
        strip->viewport()->repaint();
        resizes.push_back(msSince(timer));
    }
    report("window resize (build + strip repaint)", resizes);
    std::printf("  scene %g x %g, %lld items\n", strip->sceneRect().width(),
                strip->sceneRect().height(), static_cast<long long>(strip->scene()->items().size()));

    // Selecting the next frame, with the panel and the status bar painted.
    std::vector<double> selects;
    table->setCurrentIndex(table->model()->index(int(count / 2), 0));
    for (int i = 0; i < 200; ++i) {
        timer.restart();
        next->trigger();
        payload->viewport()->repaint();
        window.statusBar()->repaint();
        selects.push_back(msSince(timer));
    }
    report("select next frame + panel repaint", selects);

    // Dragging the tracker with the mouse a pixel at a time, the table scrolling along and both
    // repainting.
    ScrollTracker *tracker = findTracker(strip);
    std::vector<double> drags;
    table->verticalScrollBar()->setValue(0);
    QWidget *viewport = strip->viewport();
    QPoint mouse = strip->mapFromScene(QPointF(5, tracker ? tracker->sceneBoundingRect().center().y() : 0));
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, mouse);
    for (int i = 0; i < 150 && tracker; ++i) {
        mouse += QPoint(0, 1);
        timer.restart();
        QTest::mouseMove(viewport, mouse);
        viewport->repaint();
        table->viewport()->repaint();
        drags.push_back(msSince(timer));
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, mouse);
    report("tracker drag by 1 px + repaints", drags);
    std::printf("  table top row after a drag of 150 px: %d\n", table->rowAt(table->rowHeight(0) - 1));

    // Scrolling the table by a page, the tracker following.
    std::vector<double> scrolls;
    QScrollBar *bar = table->verticalScrollBar();
    for (int i = 0; i < 200; ++i) {
        timer.restart();
        bar->setValue(bar->value() + bar->pageStep());
        strip->viewport()->repaint();
        table->viewport()->repaint();
        scrolls.push_back(msSince(timer));
    }
    report("table page scroll + repaints", scrolls);
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // The colour files an installation puts into the data folder.
    const QString colors = home.filePath(QStringLiteral("data/Kestrant/Framescope/"));
    QDir().mkpath(colors);
    for (const char *base : {"colors3G", "colorsV4"}) {
        const QString source = QStringLiteral(FRAMESCOPE_SOURCE_DIR "/colors/%1.def").arg(QLatin1String(base));
        for (const char *suffix : {".def", ".lst"})
            QFile::copy(source, colors + QLatin1String(base) + QLatin1String(suffix));
    }

    for (const qint64 count : {qint64(100000), qint64(1000000)})
        benchFrames(count, home.path());
    return 0;
}
