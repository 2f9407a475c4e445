// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "growingcapture.h"
#include "hangguard.h"
#include "testenv.h"

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
    void tableInsertsRows_data();
    void tableInsertsRows();
    void toolWindowsTakeFramesIn_data();
    void toolWindowsTakeFramesIn();

private:
    TestEnv env;
    ColorDlg colorDlg;
};

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
    QVERIFY(growing.start() && growing.append(bytes.left(bytes.size() / 3)));
    CaptureSession session;
    FrameTableModel model(session, &colorDlg.scheme());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setWindowSize(windowSize);
    FrameTableView view;
    QScrollBar bar(Qt::Vertical);
    view.setModel(&model);
    view.setShownScrollBar(&bar);
    view.show();
    session.setCapture(growing.capture);
    if (!filter.isEmpty())
        QVERIFY(session.setRows(filteredRows(*growing.capture, filter, session.frameCount()), filter));
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
    for (const qint64 end : {bytes.size() / 2, bytes.size() * 3 / 4, bytes.size()}) {
        QVERIFY(growing.append(bytes.mid(growing.file.size(), end - growing.file.size())));
        session.takeNewFrames();
    }
    QVERIFY(session.rows().count() > rowsBefore);
    QCOMPARE(reset.size(), 0);
    QCOMPARE(model.rowCount(), int(qMin<qint64>(session.rows().count(), windowSize)));
    QCOMPARE(inserted.isEmpty(), rowsBefore >= windowSize);
    QVERIFY(!model.cellText(session.rows().count() - 1, 0).isEmpty());
    // Where the user was stays as it was.
    QCOMPARE(view.currentShownRow(), 5);
    QCOMPARE(model.frameAt(view.currentIndex().row()), currentFrame);
    QCOMPARE(view.selectionModel()->selectedRows().size(), 5);
    QCOMPARE(view.verticalScrollBar()->value(), scrolled);
    QVERIFY(bar.maximum() > barBefore);
}

void TestGrowingView::toolWindowsTakeFramesIn_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("scope");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("all frames") << QString() << 0 << 51u;
    QTest::newRow("displayed frames") << "channel == 0x3 or size > 4" << 1 << 54u;
    QTest::newRow("all frames under a filter") << "size == 0" << 0 << 53u;
}

// After each step the windows show what one pass over the frames taken gives.
void TestGrowingView::toolWindowsTakeFramesIn()
{
    QFETCH(QString, filter);
    QFETCH(int, scope);
    QFETCH(quint32, seed);

    const QByteArray bytes = CaptureBuilder::randomCapture(3000, seed).chopped(1);
    GrowingCapture growing(env.path(QStringLiteral("tools.drf3")));
    QVERIFY(growing.start() && growing.append(bytes.left(bytes.size() / 4)));
    CaptureSession session;
    session.setCapture(growing.capture);
    if (!filter.isEmpty())
        QVERIFY(session.setRows(filteredRows(*growing.capture, filter, session.frameCount()), filter));
    StatisticsWindow statistics(session);
    ChartsWindow charts(session, &colorDlg.scheme());
    for (QWidget *window : {static_cast<QWidget *>(&statistics), static_cast<QWidget *>(&charts)}) {
        window->findChild<QComboBox *>()->setCurrentIndex(scope);
        window->show();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!statistics.isComputing() && !charts.isComputing() && charts.gapHistogram(),
                             HangGuardMs);

    for (int step = 1; step <= 3; ++step) {
        QVERIFY(growing.append(bytes.mid(step * bytes.size() / 4, step == 3 ? -1 : bytes.size() / 4)));
        QVERIFY(growing.capture->isFollowing() && !statistics.hasNewFramesPending());
        session.takeNewFrames();
        session.takeNewFrames();
        // The throttle's second is played here.
        QVERIFY(statistics.hasNewFramesPending() && charts.hasNewFramesPending());
        statistics.addNewFrames();
        charts.addNewFrames();
        QVERIFY(!statistics.hasNewFramesPending() && !charts.hasNewFramesPending());
        QTRY_VERIFY_WITH_TIMEOUT(!statistics.isComputing() && !charts.isComputing(), HangGuardMs);

        const Capture &capture = *growing.capture;
        const FrameRows rows = scope == 1 ? session.rows() : FrameRows(session.frameCount());
        QCOMPARE(statistics.report()->toTsv(),
                 fullReport(capture, rows, statistics.findChild<QComboBox *>()->currentText()));
        const auto [first, last] = CapturePass::timeSpan(capture, rows);
        const TimeChartFigures empty{
            StatisticsCollector(0),
            FrameRateSeries(TimeBinning(first, last - first, FrameRateSeries::baseInterval(last - first)), 0)};
        const std::optional<TimeChartFigures> whole = CapturePass(capture, rows).collect(
            empty, [](TimeChartFigures &part, const FrameCursor &cursor) { part.add(cursor); });
        const FrameRateSeries rate = whole->rate.merged(TimeBinning::automatic(last - first));
        QCOMPARE(charts.rateSeries()->bins(), rate.bins());
        for (int bin = 0; bin < rate.bins(); ++bin) {
            QCOMPARE(charts.rateSeries()->count(bin), rate.count(bin));
            QCOMPARE(charts.rateSeries()->frameFrom(bin), rate.frameFrom(bin));
        }
        const GapHistogram *gaps = charts.gapHistogram();
        const ChannelFigures &channel = whole->stats.result().channels[std::size_t(gaps->channelKey())];
        const std::optional<GapHistogram> expected = CapturePass(capture, rows).collect(
            GapHistogram(gaps->channelKey(), 0, channel.minGapNs, channel.maxGapNs, gaps->bins()),
            [](GapHistogram &part, const FrameCursor &cursor) {
                part.add(cursor.number(), cursor.header(), cursor.isMissing(), cursor.ticks());
            });
        QCOMPARE(gaps->binWidthNs(), expected->binWidthNs());
        for (int bin = 0; bin < gaps->bins(); ++bin)
            QCOMPARE(gaps->count(bin), expected->count(bin));
    }
    // Followed, with every frame read so far taken: the figures are not called partial.
    const QString readSoFar = CaptureSession::framesReadSoFar(session.frameCount());
    QStringList texts;
    for (const QLabel *label : statistics.findChildren<QLabel *>() + charts.findChildren<QLabel *>())
        texts.append(label->text());
    QVERIFY(!texts.join(QLatin1Char('\n')).contains(readSoFar));
}

QTEST_MAIN(TestGrowingView)
#include "tst_growingview.moc"
