// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"
#include "framescopeprobe.h"
#include "hangguard.h"
#include "testenv.h"

#include "viewer/app/framescope.h"
#include "core/filters/framebitmap.h"
#include "core/session/capturesession.h"
#include "core/stats/capturepass.h"
#include "core/tasks/passpool.h"
#include "viewer/stats/chartswindow.h"
#include "core/stats/framerateseries.h"
#include "core/stats/gaphistogram.h"
#include "core/stats/statisticscollector.h"
#include "viewer/stats/statisticsmodel.h"
#include "viewer/stats/statisticswindow.h"
#include "viewer/views/filterbar.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/frametableview.h"

#include <QAbstractAxis>
#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTableView>
#include <QThreadPool>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <memory>

using namespace Korvex;

namespace {

constexpr int Hang = HangGuardMs;

/// Random DigRF 3G frames of channel types 4 to 7, deltas below 2000 ticks.
QByteArray randomFrames(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray block;
    for (int i = 0; i < count; ++i)
        block += CaptureFixture::frameOf(int(random.bounded(7)), 4 + int(random.bounded(4)),
                                         int(random.bounded(2)), random.bounded(2000u));
    return block;
}

std::unique_ptr<Capture> randomCapture(int count, quint32 seed)
{
    return CaptureFixture::load3G(randomFrames(count, seed));
}

/// A capture whose reads from any thread but the GUI's wait, once `hold` is set, until the
/// test releases them: a pass over it is held mid-way, deterministically.
struct GatedCapture
{
    std::atomic<bool> hold{false};
    QSemaphore entered;
    QSemaphore release;

    std::unique_ptr<Capture> load(int count, quint32 seed)
    {
        const QByteArray block = randomFrames(count, seed);
        auto capture = CaptureFixture::load3G(block);
        const QByteArray bytes = CaptureBuilder::capture(block, "}");
        capture->setReadFunction([this, bytes](quint64 offset, char *buffer, qint64 length,
                                               QString *) -> qint64 {
            if (hold && QThread::currentThread() != qApp->thread()) {
                entered.release();
                release.acquire();
            }
            if (offset >= quint64(bytes.size()))
                return 0;
            const qint64 got = qMin(length, qint64(bytes.size()) - qint64(offset));
            std::memcpy(buffer, bytes.constData() + offset, std::size_t(got));
            return got;
        });
        return capture;
    }
};

/// The report of these rows (all frames when none are given), computed apart from the window.
QString expectedReport(const Capture &capture, const FrameRows *rows = nullptr)
{
    StatisticsCollector collector(capture.protocolVersion());
    CapturePass pass(capture, rows ? *rows : FrameRows(capture.frameCount()));
    pass.run([&](qint64 frame, quint8 header, bool missing, quint64 ticks) {
        collector.add(frame, header, missing, ticks);
    });
    return StatisticsReport(collector.result(), capture.fileName(),
                            rows ? QStringLiteral("Displayed frames") : QStringLiteral("All frames"))
        .toTsv();
}

qint64 rateTotal(const FrameRateSeries &series)
{
    qint64 total = 0;
    for (int bin = 0; bin < series.bins(); ++bin)
        total += series.count(bin);
    return total;
}

} // namespace

/// The statistics and chart windows driven through the viewer: what they show against the
/// figures of the core, sorting, the way back to a frame of the table, Cancel, and a capture
/// replaced while they are open; and the pass runner they share.
class TestStatisticsWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void statisticsOfTheCapture();
    void sortingKeepsUndefinedLast();
    void goToTheLongestGap();
    void emptyCaptureShowsNoNumbers();
    void newCaptureWhileOpen();
    void displayedFramesFollowTheFilter();
    void sortHoldsThroughRefresh();
    void cancelledRefreshKeepsTheFigures();
    void chartsOfTheCapture();
    void clickOnTheTimeChartSelectsTheFrame();
    void intervalCanBeChosen();
    void passHeldWhileTheCaptureGoes_data();
    void passHeldWhileTheCaptureGoes();

private:
    Ui::Framescope &ui() { return FramescopeProbe::ui(*window); }
    StatisticsWindow *openStatistics();
    ChartsWindow *openCharts();
    static void waitForComputed(QSignalSpy &spy);
    /// Applies a display filter as the filter bar does.
    void filter(const QString &text);
    /// Shows the displayed frames in the window's scope box.
    static void chooseDisplayed(QWidget *window);

    TestEnv env;
    std::unique_ptr<Framescope> window;
    const Capture *capture = nullptr;
};

void TestStatisticsWindow::init()
{
    window = std::make_unique<Framescope>(QString());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto loaded = randomCapture(3000, 5);
    capture = loaded.get();
    FramescopeProbe::showCapture(*window, std::move(loaded));
}

void TestStatisticsWindow::cleanup()
{
    window.reset();
}

void TestStatisticsWindow::waitForComputed(QSignalSpy &spy)
{
    QTRY_VERIFY_WITH_TIMEOUT(spy.count() >= 1, Hang);
}

StatisticsWindow *TestStatisticsWindow::openStatistics()
{
    ui().actionStatistics->trigger();
    StatisticsWindow *statistics = FramescopeProbe::statisticsWindow(*window);
    return statistics;
}

ChartsWindow *TestStatisticsWindow::openCharts()
{
    ui().actionCharts->trigger();
    return FramescopeProbe::chartsWindow(*window);
}

void TestStatisticsWindow::statisticsOfTheCapture()
{
    StatisticsWindow *statistics = openStatistics();
    QVERIFY(statistics && statistics->isVisible());
    // The pass ends on the event loop, so the spy made now sees its end.
    QSignalSpy computed(statistics, &StatisticsWindow::computed);
    waitForComputed(computed);
    QCOMPARE(computed.at(0).at(0).toBool(), true);
    QVERIFY(!statistics->isComputing());
    QVERIFY(statistics->report());
    QCOMPARE(statistics->report()->toTsv(), expectedReport(*capture));

    auto *channels = statistics->findChild<QTableView *>(QStringLiteral("tblChannels"));
    QVERIFY(channels);
    QCOMPARE(channels->model()->rowCount(), 4);
    QCOMPARE(channels->model()->index(0, 1).data().toString(), QStringLiteral("Data Channel A"));
    const QString summary = statistics->findChild<QLabel *>(QStringLiteral("lblSummary"))->text();
    QVERIFY2(summary.contains(QStringLiteral("3,000 frames")), qPrintable(summary));

    statistics->copyReport();
    QCOMPARE(QGuiApplication::clipboard()->text(), expectedReport(*capture));

    // Opened again, it shows what it found without looking at the frames anew.
    ui().actionStatistics->trigger();
    QVERIFY(!statistics->isComputing());
}

void TestStatisticsWindow::sortingKeepsUndefinedLast()
{
    StatisticsModel model;
    StatisticsReport::Section section;
    section.columns = {{"Name", "name"}, {"Gap", "gap"}};
    section.rows = {{QStringLiteral("b"), QVariant::fromValue(qint64(20))},
                    {QStringLiteral("a"), QVariant()},
                    {QStringLiteral("c"), QVariant::fromValue(qint64(3))},
                    {QStringLiteral("d"), QVariant::fromValue(qint64(100))}};
    model.setSection(section);
    const auto names = [&model] {
        QString text;
        for (int row = 0; row < model.rowCount(); ++row)
            text += model.value(row, QStringLiteral("name")).toString();
        return text;
    };
    const QPersistentModelIndex current = model.index(0, 0);
    model.sort(1, Qt::AscendingOrder);
    QCOMPARE(names(), QStringLiteral("cbda"));
    // The views' rows go with the sort: "b" is now the second row.
    QCOMPARE(current.row(), 1);
    model.sort(1, Qt::DescendingOrder);
    QCOMPARE(names(), QStringLiteral("dbca"));
    QCOMPARE(model.data(model.index(3, 1)).toString(), QString());
    model.sort(0, Qt::AscendingOrder);
    QCOMPARE(names(), QStringLiteral("abcd"));
}

void TestStatisticsWindow::goToTheLongestGap()
{
    StatisticsWindow *statistics = openStatistics();
    QSignalSpy computed(statistics, &StatisticsWindow::computed);
    waitForComputed(computed);
    auto *channels = statistics->findChild<QTableView *>(QStringLiteral("tblChannels"));
    auto *goMax = statistics->findChild<QPushButton *>(QStringLiteral("btnGoMax"));
    QVERIFY(!goMax->isEnabled());
    // The busiest channel first, then its longest gap.
    channels->sortByColumn(2, Qt::DescendingOrder);
    channels->setCurrentIndex(channels->model()->index(0, 0));
    const auto *model = static_cast<const StatisticsModel *>(channels->model());
    const qint64 frame = model->value(0, QStringLiteral("gap_max_frame")).toLongLong();
    QVERIFY(frame > 0);
    QVERIFY(goMax->isEnabled());
    QTest::mouseClick(goMax, Qt::LeftButton);
    QCOMPARE(ui().tblFrames->currentShownRow(), frame);
    // The gap is the longest of that channel: the time column's Δ Channel says so.
    FramescopeProbe::session(*window).setTimeMode(TimeMode::DeltaChannel);
    QCOMPARE(FramescopeProbe::model(*window)->data(ui().tblFrames->currentIndex().siblingAtColumn(0))
                 .toString(),
             model->value(0, QStringLiteral("gap_max_ns")).toString());
    // A double click on the shortest gap goes to its frame.
    const qint64 shortest = model->value(0, QStringLiteral("gap_min_frame")).toLongLong();
    channels->scrollTo(channels->model()->index(0, 6));
    const QRect cell = channels->visualRect(channels->model()->index(0, 6));
    // A widget's double click in Qt Test is the second click alone.
    QTest::mouseClick(channels->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(channels->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(ui().tblFrames->currentShownRow(), shortest);
}

void TestStatisticsWindow::emptyCaptureShowsNoNumbers()
{
    StatisticsWindow *statistics = openStatistics();
    QSignalSpy computed(statistics, &StatisticsWindow::computed);
    FramescopeProbe::showCapture(*window, CaptureFixture::load3G(QByteArray()));
    waitForComputed(computed);
    QVERIFY(statistics->report());
    const QString summary = statistics->findChild<QLabel *>(QStringLiteral("lblSummary"))->text();
    QVERIFY2(summary.contains(QStringLiteral("0 frames")), qPrintable(summary));
    for (const char *word : {"nan", "inf"})
        QVERIFY(!summary.contains(QLatin1String(word), Qt::CaseInsensitive));
    QCOMPARE(statistics->findChild<QTableView *>(QStringLiteral("tblChannels"))->model()->rowCount(), 0);
}

void TestStatisticsWindow::newCaptureWhileOpen()
{
    StatisticsWindow *statistics = openStatistics();
    ChartsWindow *charts = openCharts();
    QSignalSpy computed(statistics, &StatisticsWindow::computed);
    // Replaced while the passes may still run over the old one: they stop before it goes.
    auto next = randomCapture(100, 6);
    const Capture *nextCapture = next.get();
    FramescopeProbe::showCapture(*window, std::move(next));
    QTRY_VERIFY_WITH_TIMEOUT(statistics->report() && !statistics->isComputing(), Hang);
    QCOMPARE(statistics->report()->toTsv(), expectedReport(*nextCapture));
    QTRY_VERIFY_WITH_TIMEOUT(charts->gapHistogram() && !charts->isComputing(), Hang);
    QCOMPARE(charts->rateSeries()->frameFrom(0), qint64(0));
    QCOMPARE(rateTotal(*charts->rateSeries()), qint64(100));
    // Letting go of the frames altogether.
    FramescopeProbe::showCapture(*window, nullptr);
    QVERIFY(!statistics->report());
    QVERIFY(!charts->rateSeries());
}

void TestStatisticsWindow::filter(const QString &text)
{
    ui().filterBar->setText(text);
    ui().filterBar->applyButton()->click();
    QVERIFY(FramescopeProbe::settle(*window));
    QVERIFY(FramescopeProbe::session(*window).rows().isFiltered());
}

void TestStatisticsWindow::chooseDisplayed(QWidget *window)
{
    window->findChild<QComboBox *>(QStringLiteral("cbScope"))->setCurrentIndex(1);
}

// "Displayed frames" are the frames the table shows now: a filter applied while the windows
// are open is looked at anew, by Refresh too, and one applied while they are hidden when they
// are shown again.
void TestStatisticsWindow::displayedFramesFollowTheFilter()
{
    StatisticsWindow *statistics = openStatistics();
    ChartsWindow *charts = openCharts();
    chooseDisplayed(statistics);
    chooseDisplayed(charts);
    const CaptureSession &session = FramescopeProbe::session(*window);

    // The filter lets the window's events through while it runs: the pass that counts starts
    // once it is over.
    filter(QStringLiteral("channel == 5"));
    QSignalSpy computed(statistics, &StatisticsWindow::computed);
    const FrameRows shown = session.rows();
    QVERIFY(shown.count() > 0 && shown.count() < 3000);
    waitForComputed(computed);
    QCOMPARE(statistics->report()->toTsv(), expectedReport(*capture, &shown));
    QTRY_VERIFY_WITH_TIMEOUT(charts->gapHistogram() && !charts->isComputing(), Hang);
    QCOMPARE(rateTotal(*charts->rateSeries()), shown.count());

    computed.clear();
    statistics->refresh();
    waitForComputed(computed);
    QCOMPARE(statistics->report()->toTsv(), expectedReport(*capture, &shown));

    // Hidden, the window waits until it is shown.
    statistics->hide();
    charts->hide();
    filter(QStringLiteral("channel == 6 or channel == 7"));
    computed.clear();
    const FrameRows next = session.rows();
    QVERIFY(!statistics->isComputing() && !charts->isComputing());
    statistics->show();
    charts->show();
    waitForComputed(computed);
    QCOMPARE(statistics->report()->toTsv(), expectedReport(*capture, &next));
    QTRY_VERIFY_WITH_TIMEOUT(charts->gapHistogram() && !charts->isComputing(), Hang);
    QCOMPARE(rateTotal(*charts->rateSeries()), next.count());
}

// Sorted by a column, the tables stay sorted by it whatever is looked at next.
void TestStatisticsWindow::sortHoldsThroughRefresh()
{
    StatisticsWindow *statistics = openStatistics();
    QSignalSpy computed(statistics, &StatisticsWindow::computed);
    waitForComputed(computed);
    auto *channels = statistics->findChild<QTableView *>(QStringLiteral("tblChannels"));
    const auto *model = static_cast<const StatisticsModel *>(channels->model());
    int maxGap = 0;
    while (model->section().columns.at(maxGap).key != QLatin1String("gap_max_ns"))
        ++maxGap;
    QCOMPARE(model->headerData(maxGap, Qt::Horizontal).toString(), QStringLiteral("Max gap"));
    channels->horizontalHeader()->setSortIndicator(maxGap, Qt::DescendingOrder);
    const auto sortedByMaxGap = [&] {
        for (int row = 1; row < model->rowCount(); ++row) {
            if (model->value(row - 1, QStringLiteral("gap_max_ns")).toLongLong()
                < model->value(row, QStringLiteral("gap_max_ns")).toLongLong())
                return false;
        }
        return model->rowCount() == 4;
    };
    QVERIFY(sortedByMaxGap());

    // Other frames, then the same again.
    filter(QStringLiteral("cts == 1"));
    for (int step = 0; step < 2; ++step) {
        computed.clear();
        if (step == 0)
            chooseDisplayed(statistics);
        else
            statistics->refresh();
        waitForComputed(computed);
        QCOMPARE(channels->horizontalHeader()->sortIndicatorSection(), maxGap);
        QVERIFY(sortedByMaxGap());
    }
}

// A cancelled refresh leaves the figures of the last complete one, and says so.
void TestStatisticsWindow::cancelledRefreshKeepsTheFigures()
{
    StatisticsWindow *statistics = openStatistics();
    QSignalSpy computed(statistics, &StatisticsWindow::computed);
    waitForComputed(computed);
    const QString before = statistics->report()->toTsv();
    computed.clear();
    // The pass's end is taken on the event loop, after the cancel, however far it got.
    statistics->refresh();
    statistics->cancel();
    waitForComputed(computed);
    QCOMPARE(computed.at(0).at(0).toBool(), false);
    QVERIFY(statistics->report());
    QCOMPARE(statistics->report()->toTsv(), before);
    QCOMPARE(statistics->findChild<QTableView *>(QStringLiteral("tblChannels"))->model()->rowCount(), 4);
    const QString summary = statistics->findChild<QLabel *>(QStringLiteral("lblSummary"))->text();
    QVERIFY2(summary.contains(QStringLiteral("3,000 frames")), qPrintable(summary));
    QVERIFY2(summary.contains(QStringLiteral("Cancelled")), qPrintable(summary));
}

void TestStatisticsWindow::chartsOfTheCapture()
{
    ChartsWindow *charts = openCharts();
    QVERIFY(charts && charts->isVisible());
    // The frame rate first, then the gaps of the busiest channel.
    QTRY_VERIFY_WITH_TIMEOUT(charts->gapHistogram() && !charts->isComputing(), Hang);
    const FrameRateSeries *series = charts->rateSeries();
    QVERIFY(series);
    QVERIFY(series->bins() <= TimeBinning::AutoBins);
    qint64 total = 0;
    for (int key = 0; key < 16; ++key)
        total += series->total(key);
    QCOMPARE(total, capture->frameCount());
    // One stacked area per channel type with frames, drawn on at most a few thousand points.
    QChart *chart = charts->rateChart();
    QCOMPARE(chart->series().size(), 4);
    for (QAbstractSeries *area : chart->series()) {
        QVERIFY(static_cast<QAreaSeries *>(area)->upperSeries()->count() <= 2 * TimeBinning::MaxBins);
        QCOMPARE(area->attachedAxes().size(), 2);
    }
    QCOMPARE(static_cast<QAreaSeries *>(chart->series().at(0))->name(), QStringLiteral("Data Channel A"));

    auto *channel = charts->findChild<QComboBox *>(QStringLiteral("cbChannel"));
    QCOMPARE(channel->count(), 4);
    QCOMPARE(charts->gapHistogram()->channelKey(), channel->currentData().toInt());
    qint64 gaps = 0;
    for (int bin = 0; bin < charts->gapHistogram()->bins(); ++bin)
        gaps += charts->gapHistogram()->count(bin);
    QCOMPARE(gaps, series->total(channel->currentData().toInt()) - 1);

    // Another channel: its histogram.
    const int other = (channel->currentIndex() + 1) % channel->count();
    channel->setCurrentIndex(other);
    emit channel->activated(other);
    QTRY_VERIFY_WITH_TIMEOUT(charts->gapHistogram() && !charts->isComputing(), Hang);
    QCOMPARE(charts->gapHistogram()->channelKey(), channel->itemData(other).toInt());
}

void TestStatisticsWindow::clickOnTheTimeChartSelectsTheFrame()
{
    ChartsWindow *charts = openCharts();
    QTRY_VERIFY_WITH_TIMEOUT(charts->gapHistogram() && !charts->isComputing(), Hang);
    const FrameRateSeries *series = charts->rateSeries();
    const int bin = series->bins() / 2;
    const double x = (double(series->binning().binStart(bin)) + 0.5) / charts->rateUnitNs();
    QCOMPARE(charts->frameAtAxis(x), series->frameFrom(bin));
    QVERIFY(series->frameFrom(bin) > 0);

    // A click in the middle of the interval, halfway up the lowest area, once the chart is
    // laid out.
    QTRY_VERIFY_WITH_TIMEOUT(!charts->rateChart()->plotArea().isEmpty(), Hang);
    auto *area = static_cast<QAreaSeries *>(charts->rateChart()->series().at(0));
    const double middle = (double(series->binning().binStart(bin))
                           + double(series->binning().intervalNs()) / 2) / charts->rateUnitNs();
    const QPointF inChart = charts->rateChart()->mapToPosition(
        QPointF(middle, double(series->count(bin, 4)) / 2), area);
    auto *view = charts->findChild<QChartView *>(QStringLiteral("cvRate"));
    const QPoint at = view->mapFromScene(charts->rateChart()->mapToScene(inChart));
    QVERIFY(series->count(bin, 4) > 0);
    QVERIFY(view->viewport()->rect().contains(at));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(ui().tblFrames->currentShownRow(), series->frameFrom(bin));
    // Where no item lies (Qt 6.4's chart view would crash on it) a press does nothing.
    charts->rateChart()->setVisible(false);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    charts->rateChart()->setVisible(true);
    // Past the last frame there is none to go to.
    QCOMPARE(charts->frameAtAxis(1e300), series->frameFrom(series->bins() - 1));
    QCOMPARE(charts->frameAtAxis(-5), qint64(0));
}

void TestStatisticsWindow::intervalCanBeChosen()
{
    ChartsWindow *charts = openCharts();
    QTRY_VERIFY_WITH_TIMEOUT(charts->gapHistogram() && !charts->isComputing(), Hang);
    auto *interval = charts->findChild<QComboBox *>(QStringLiteral("cbInterval"));
    QVERIFY(interval->count() > 2);
    QCOMPARE(interval->currentData().toULongLong(), charts->rateSeries()->binning().intervalNs());
    const int finest = 0;
    const quint64 chosen = interval->itemData(finest).toULongLong();
    QVERIFY(chosen < charts->rateSeries()->binning().intervalNs());
    const qint64 total = rateTotal(*charts->rateSeries());
    // Another interval merges the counts at once: no pass over the frames again.
    QSignalSpy computed(charts, &ChartsWindow::computed);
    for (const int index : {finest, int(interval->count() - 1)}) {
        interval->setCurrentIndex(index);
        emit interval->activated(index);
        QVERIFY(!charts->isComputing());
        QCOMPARE(charts->rateSeries()->binning().intervalNs(), interval->itemData(index).toULongLong());
        QCOMPARE(rateTotal(*charts->rateSeries()), total);
        QCOMPARE(interval->currentData().toULongLong(), interval->itemData(index).toULongLong());
    }
    QVERIFY(charts->rateSeries()->bins() <= TimeBinning::MaxBins);
    QCOMPARE(computed.count(), 0);
}

void TestStatisticsWindow::passHeldWhileTheCaptureGoes_data()
{
    QTest::addColumn<bool>("charts");
    QTest::addColumn<bool>("close");
    QTest::newRow("statistics, capture replaced") << false << false;
    QTest::newRow("statistics, window closed") << false << true;
    QTest::newRow("charts, capture replaced") << true << false;
    QTest::newRow("charts, window closed") << true << true;
}

// A pass held in the middle of its reads while the capture is replaced or the window closed:
// nothing waits for it, and what it finds never shows.
void TestStatisticsWindow::passHeldWhileTheCaptureGoes()
{
    QFETCH(bool, charts);
    QFETCH(bool, close);
    StatisticsWindow *statistics = charts ? nullptr : openStatistics();
    ChartsWindow *chartsWindow = charts ? openCharts() : nullptr;
    QWidget *shown = charts ? static_cast<QWidget *>(chartsWindow) : statistics;
    const auto computing = [&] {
        return charts ? chartsWindow->isComputing() : statistics->isComputing();
    };
    QTRY_VERIFY_WITH_TIMEOUT(!computing(), Hang);

    GatedCapture gate;
    auto held = gate.load(3000, 8);
    const Capture *heldCapture = held.get();
    gate.hold = true;
    FramescopeProbe::showCapture(*window, std::move(held));
    QVERIFY(gate.entered.tryAcquire(1, Hang));
    QVERIFY(computing());

    auto next = randomCapture(100, 9);
    const Capture *nextCapture = next.get();
    if (close)
        shown->close();
    else
        FramescopeProbe::showCapture(*window, std::move(next));
    // Nothing waited for the held pass, which still waits in its read.
    if (close)
        QVERIFY(!computing());
    QCOMPARE(gate.release.available(), 0);
    gate.hold = false;
    gate.release.release(1000);
    QVERIFY(PassPool::instance()->waitForDone(Hang));
    QTRY_VERIFY_WITH_TIMEOUT(!computing(), Hang);
    QCoreApplication::processEvents();

    if (close) {
        // Closed, the window shows nothing of the held capture until shown again.
        QVERIFY(charts ? !chartsWindow->rateSeries() : !statistics->report());
        shown->show();
        QTRY_VERIFY_WITH_TIMEOUT(charts ? chartsWindow->gapHistogram() != nullptr
                                        : statistics->report() != nullptr,
                                 Hang);
        QTRY_VERIFY_WITH_TIMEOUT(!computing(), Hang);
        if (charts)
            QCOMPARE(rateTotal(*chartsWindow->rateSeries()), qint64(3000));
        else
            QCOMPARE(statistics->report()->toTsv(), expectedReport(*heldCapture));
        return;
    }
    // The figures are those of the capture that replaced the held one.
    if (charts) {
        QTRY_VERIFY_WITH_TIMEOUT(chartsWindow->gapHistogram() && !computing(), Hang);
        QCOMPARE(rateTotal(*chartsWindow->rateSeries()), qint64(100));
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(statistics->report() && !computing(), Hang);
        QCOMPARE(statistics->report()->toTsv(), expectedReport(*nextCapture));
    }
}

QTEST_MAIN(TestStatisticsWindow)
#include "tst_statisticswindow.moc"
