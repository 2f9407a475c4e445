// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "growingcapture.h"
#include "hangguard.h"
#include "testenv.h"

#include "core/filters/filterexpression.h"
#include "core/filters/framebitmap.h"
#include "core/filters/framefilter.h"
#include "core/session/capturesession.h"
#include "core/stats/capturepass.h"
#include "core/stats/statisticsfigures.h"
#include "core/stats/statisticsreport.h"
#include "viewer/colors/colordlg.h"
#include "core/stats/framerateseries.h"
#include "core/stats/gaphistogram.h"
#include "core/stats/timechartfigures.h"
#include "viewer/stats/chartswindow.h"
#include "viewer/stats/statisticswindow.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/frametableview.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace Korvex;

namespace {

FrameRows filtered(const Capture &capture, const QString &text, qint64 frames)
{
    FilterError error;
    auto bits = std::make_shared<FrameBitmap>(frames);
    FrameFilter(capture, FilterExpression::parse(text, &error)).evaluate(0, frames, bits->words());
    bits->finish();
    return FrameRows(bits);
}

/// The report of the statistics of every frame of the rows, by one pass over them.
QString fullReport(const Capture &capture, const FrameRows &rows, const QString &scope)
{
    const StatisticsFigures empty(capture.protocolVersion(), nullptr);
    const std::optional<StatisticsFigures> figures = CapturePass(capture, rows).collect(
        empty, [](StatisticsFigures &part, const FrameCursor &cursor) {
            part.add(cursor.number(), cursor.header(), cursor.ticks(), cursor.bytes(), cursor.length());
        });
    return figures ? figures->report(capture.fileName(), scope).toTsv() : QString();
}

} // namespace

/// What is on display grows with the session: the table's rows, the statistics.
class TestGrowingView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tableInsertsRows_data();
    void tableInsertsRows();
    void statisticsTakeFramesIn_data();
    void statisticsTakeFramesIn();
    void chartsTakeFramesIn_data();
    void chartsTakeFramesIn();

private:
    TestEnv env;
    std::unique_ptr<ColorDlg> colorDlg;
};

void TestGrowingView::initTestCase()
{
    colorDlg = std::make_unique<ColorDlg>();
}

void TestGrowingView::tableInsertsRows_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("windowSize");
    QTest::newRow("every frame") << QString() << FrameTableModel::DefaultWindowSize;
    QTest::newRow("filtered") << "cts == 1" << FrameTableModel::DefaultWindowSize;
    // The rows outgrow the model's window: the scroll bar alone grows.
    QTest::newRow("past the window") << QString() << 40;
    QTest::newRow("filtered, past the window") << "size > 4" << 40;
}

void TestGrowingView::tableInsertsRows()
{
    QFETCH(QString, filter);
    QFETCH(int, windowSize);

    const QByteArray bytes = CaptureBuilder::randomCapture(900, 41).chopped(1);
    GrowingCapture growing(env.path(QStringLiteral("table.drf3")));
    QVERIFY(growing.start());
    CaptureSession session;
    FrameTableModel model(session, &colorDlg->scheme());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setWindowSize(windowSize);
    FrameTableView view;
    QScrollBar bar(Qt::Vertical);
    view.setModel(&model);
    view.setShownScrollBar(&bar);
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    session.setCapture(growing.capture);
    QVERIFY(growing.append(bytes.left(bytes.size() / 3)));
    session.takeNewFrames();
    if (!filter.isEmpty())
        QVERIFY(session.setRows(filtered(*growing.capture, filter, session.frameCount()), filter));
    QVERIFY(model.rowCount() > 10);
    const qint64 rowsBefore = session.rows().count();

    view.goToShownRow(5);
    view.selectionModel()->select(QItemSelection(model.index(3, 0), model.index(7, 0)),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view.scrollToShownRow(2);
    const int scrolled = view.verticalScrollBar()->value();
    const int barBefore = bar.maximum();
    const qint64 currentFrame = model.frameAt(view.currentIndex().row());

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    for (int piece = 1; piece <= 4; ++piece) {
        QVERIFY(growing.append(bytes.mid(bytes.size() / 3 + (piece - 1) * bytes.size() / 6,
                                         piece == 4 ? -1 : bytes.size() / 6)));
        session.takeNewFrames();
    }
    QVERIFY(session.rows().count() > rowsBefore);
    QCOMPARE(reset.size(), 0);
    QCOMPARE(model.rowCount(), int(qMin<qint64>(session.rows().count(), windowSize)));
    QCOMPARE(inserted.isEmpty(), rowsBefore >= windowSize);
    // The new rows follow the old ones, each showing its frame.
    QVERIFY(!model.cellText(session.rows().count() - 1, 0).isEmpty());
    QCOMPARE(model.frameAt(model.rowCount() - 1), session.rows().frameAt(model.rowCount() - 1));
    // Where the user was stays as it was.
    QCOMPARE(view.currentShownRow(), 5);
    QCOMPARE(model.frameAt(view.currentIndex().row()), currentFrame);
    QCOMPARE(view.selectionModel()->selectedRows().size(), 5);
    QCOMPARE(view.selectionModel()->selectedRows().first().row(), 3);
    QCOMPARE(view.verticalScrollBar()->value(), scrolled);
    QVERIFY(bar.maximum() > barBefore);
}

void TestGrowingView::statisticsTakeFramesIn_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("scope");
    QTest::newRow("all frames") << QString() << 0;
    QTest::newRow("displayed frames") << "channel == 0x3 or cts == 0" << 1;
    QTest::newRow("all frames under a filter") << "size == 0" << 0;
}

void TestGrowingView::statisticsTakeFramesIn()
{
    QFETCH(QString, filter);
    QFETCH(int, scope);

    const QByteArray bytes = CaptureBuilder::randomCapture(2500, 43).chopped(1);
    GrowingCapture growing(env.path(QStringLiteral("stats.drf3")));
    QVERIFY(growing.start());
    QVERIFY(growing.append(bytes.left(bytes.size() / 4)));
    CaptureSession session;
    session.setCapture(growing.capture);
    if (!filter.isEmpty())
        QVERIFY(session.setRows(filtered(*growing.capture, filter, session.frameCount()), filter));
    StatisticsWindow window(session);
    QSignalSpy computed(&window, &StatisticsWindow::computed);
    window.findChild<QComboBox *>()->setCurrentIndex(scope);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY_WITH_TIMEOUT(!window.isComputing() && window.report(), HangGuardMs);
    const QString scopeText = window.findChild<QComboBox *>()->currentText();

    // Each step's frames wait for the throttle; its timeout is played here.
    for (int step = 1; step <= 3; ++step) {
        QVERIFY(growing.append(bytes.mid(step * bytes.size() / 4, step == 3 ? -1 : bytes.size() / 4)));
        QVERIFY(!window.hasNewFramesPending());
        session.takeNewFrames();
        session.takeNewFrames();
        QVERIFY(window.hasNewFramesPending());
        computed.clear();
        window.addNewFrames();
        QVERIFY(!window.hasNewFramesPending());
        QVERIFY(computed.wait(HangGuardMs));
        QCOMPARE(computed.last().at(0).toBool(), true);
        const FrameRows rows = scope == 1 ? session.rows() : FrameRows(session.frameCount());
        QCOMPARE(window.report()->toTsv(), fullReport(*growing.capture, rows, scopeText));
    }
    // The capture is still being read: the figures say over how many frames.
    const QString readSoFar = CaptureSession::framesReadSoFar(session.frameCount());
    bool said = false;
    for (const QLabel *label : window.findChildren<QLabel *>())
        said = said || label->text().contains(readSoFar);
    QVERIFY(said);
}

void TestGrowingView::chartsTakeFramesIn_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("scope");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("all frames") << QString() << 0 << 51u;
    QTest::newRow("displayed frames") << "size > 4" << 1 << 54u;
    QTest::newRow("other frames") << QString() << 0 << 53u;
}

void TestGrowingView::chartsTakeFramesIn()
{
    QFETCH(QString, filter);
    QFETCH(int, scope);
    QFETCH(quint32, seed);

    const QByteArray bytes = CaptureBuilder::randomCapture(3000, seed).chopped(1);
    GrowingCapture growing(env.path(QStringLiteral("charts.drf3")));
    QVERIFY(growing.start());
    QVERIFY(growing.append(bytes.left(bytes.size() / 5)));
    CaptureSession session;
    session.setCapture(growing.capture);
    if (!filter.isEmpty())
        QVERIFY(session.setRows(filtered(*growing.capture, filter, session.frameCount()), filter));
    ChartsWindow window(session, &colorDlg->scheme());
    window.findChild<QComboBox *>()->setCurrentIndex(scope);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY_WITH_TIMEOUT(!window.isComputing() && window.gapHistogram(), HangGuardMs);

    for (int step = 1; step <= 4; ++step) {
        QVERIFY(growing.append(bytes.mid(step * bytes.size() / 5, step == 4 ? -1 : bytes.size() / 5)));
        QVERIFY(growing.capture->isFollowing());
        session.takeNewFrames();
        QVERIFY(window.hasNewFramesPending());
        window.addNewFrames();
        QTRY_VERIFY_WITH_TIMEOUT(!window.isComputing(), HangGuardMs);

        // What one pass over the frames there are now gives.
        const Capture &capture = *growing.capture;
        const FrameRows rows = scope == 1 ? session.rows() : FrameRows(session.frameCount());
        const auto [first, last] = CapturePass::timeSpan(capture, rows);
        const quint64 duration = last - first;
        const TimeChartFigures empty{
            StatisticsCollector(0),
            FrameRateSeries(TimeBinning(first, duration, FrameRateSeries::baseInterval(duration)), 0)};
        const std::optional<TimeChartFigures> whole = CapturePass(capture, rows).collect(
            empty, [](TimeChartFigures &part, const FrameCursor &cursor) { part.add(cursor); });
        QVERIFY(whole);
        const FrameRateSeries expected = whole->rate.merged(TimeBinning::automatic(duration));
        const FrameRateSeries *got = window.rateSeries();
        QVERIFY(got);
        QCOMPARE(got->bins(), expected.bins());
        QCOMPARE(got->binning().intervalNs(), expected.binning().intervalNs());
        for (int bin = 0; bin < expected.bins(); ++bin) {
            QCOMPARE(got->frameFrom(bin), expected.frameFrom(bin));
            for (int key = 0; key < FrameRateSeries::Channels; ++key)
                QCOMPARE(got->count(bin, key), expected.count(bin, key));
        }
        const GapHistogram *gaps = window.gapHistogram();
        QVERIFY(gaps);
        const ChannelFigures &channel = whole->stats.result().channels[std::size_t(gaps->channelKey())];
        const GapHistogram none(gaps->channelKey(), 0, channel.minGapNs, channel.maxGapNs,
                                gaps->bins());
        const std::optional<GapHistogram> expectedGaps = CapturePass(capture, rows).collect(
            none, [](GapHistogram &part, const FrameCursor &cursor) {
                part.add(cursor.number(), cursor.header(), cursor.isMissing(), cursor.ticks());
            });
        QVERIFY(expectedGaps);
        QCOMPARE(gaps->bins(), expectedGaps->bins());
        QCOMPARE(gaps->binWidthNs(), expectedGaps->binWidthNs());
        for (int bin = 0; bin < gaps->bins(); ++bin)
            QCOMPARE(gaps->count(bin), expectedGaps->count(bin));
    }
}

QTEST_MAIN(TestGrowingView)
#include "tst_growingview.moc"
