// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/stats/chartswindow.h"

#include "viewer/colors/framecolorscheme.h"
#include "viewer/stats/fieldchart.h"
#include "viewer/stats/growthtimer.h"
#include "core/files/capture.h"
#include "core/frames/frameheader.h"
#include "core/session/capturesession.h"
#include "core/stats/capturepass.h"
#include "core/stats/framerateseries.h"
#include "core/stats/gaphistogram.h"
#include "core/stats/statisticscollector.h"
#include "core/stats/timechartfigures.h"
#include "core/text/numbertext.h"
#include "core/text/timetext.h"
#include "viewer/stats/tickaxis.h"
#include "viewer/stats/timechartview.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolTip>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace Korvex {

namespace {

// The nanoseconds in the largest unit (s, ms, µs or ns) that `ns` reaches: the charts keep their
// values small in it, and their axes label the ticks in a unit of their own.
double valueUnitNs(quint64 ns)
{
    if (ns >= 1000000000ull)
        return 1e9;
    if (ns >= 1000000ull)
        return 1e6;
    if (ns >= 1000ull)
        return 1e3;
    return 1;
}

// A time axis over low to high (in units of `nsPerValue` nanoseconds).
TickAxis *timeAxis(const QString &title, double nsPerValue, double low, double high)
{
    auto *axis = new TickAxis(TickAxis::Kind::Time, title, nsPerValue);
    axis->setRange(low, high > low ? high : low + 1);
    return axis;
}

// A count axis from 0 to a round number at or above the highest count.
TickAxis *countAxis(const QString &title, qint64 highest)
{
    auto *axis = new TickAxis(TickAxis::Kind::Count, title);
    axis->setCountRange(double(highest));
    return axis;
}

// A step line over intervals: the count holds from the start of its interval to the next.
void appendStep(QList<QPointF> &points, double from, double to, double count)
{
    points.append(QPointF(from, count));
    points.append(QPointF(to, count));
}

} // namespace


const QString ChartsWindow::TaskKind = QStringLiteral("charts");

ChartsWindow::ChartsWindow(CaptureSession &session, const FrameColorScheme *colors,
                           QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_session(session)
    , m_colors(colors)
{
    setWindowTitle(tr("Charts"));
    setObjectName(QStringLiteral("ChartsWindow"));

    m_scope = new QComboBox(this);
    m_scope->setObjectName(QStringLiteral("cbScope"));
    m_scope->addItem(tr("All frames"));
    m_scope->addItem(tr("Displayed frames"));
    m_refresh = new QPushButton(tr("&Refresh"), this);
    m_tabs = new QTabWidget(this);
    m_interval = new QComboBox(this);
    m_interval->setObjectName(QStringLiteral("cbInterval"));
    m_interval->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_interval->setToolTip(tr("Length of time each point of the chart counts the frames of"));
    m_rateView = new TimeChartView(this);
    m_rateView->setObjectName(QStringLiteral("cvRate"));
    m_channel = new QComboBox(this);
    m_channel->setObjectName(QStringLiteral("cbChannel"));
    m_channel->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_bins = new QSpinBox(this);
    m_bins->setObjectName(QStringLiteral("sbBins"));
    m_bins->setRange(5, 500);
    m_bins->setValue(50);
    m_gapView = new QChartView(this);
    m_gapView->setObjectName(QStringLiteral("cvGaps"));
    m_state = new QLabel(this);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, TaskRunner::ProgressScale);
    m_cancel = new QPushButton(tr("Cancel"), this);
    // The views' first charts are empty ones of their own, replaced as the charts are drawn.
    setChart(m_rateView, new QChart);
    setChart(m_gapView, new QChart);
    m_gapView->viewport()->installEventFilter(this);
    m_resetZoom = new QPushButton(tr("Reset &Zoom"), this);
    m_resetZoom->setObjectName(QStringLiteral("btnResetZoom"));
    m_resetZoom->setToolTip(tr("Show the whole time again"));
    m_resetZoom->setEnabled(false);

    auto *rateTab = new QWidget(m_tabs);
    auto *rateControls = new QHBoxLayout;
    rateControls->addWidget(new QLabel(tr("Interval:")));
    rateControls->addWidget(m_interval);
    rateControls->addStretch(1);
    auto *rateHint = new QLabel(tr("Click: the interval's first frame. Wheel: zoom. Drag: move "
                                   "along the time."));
    rateHint->setWordWrap(true);
    rateControls->addWidget(rateHint, 1);
    rateControls->addWidget(m_resetZoom);
    auto *rateLayout = new QVBoxLayout(rateTab);
    rateLayout->addLayout(rateControls);
    rateLayout->addWidget(m_rateView, 1);
    m_tabs->addTab(rateTab, tr("Frames over Time"));

    auto *gapTab = new QWidget(m_tabs);
    auto *gapControls = new QHBoxLayout;
    gapControls->addWidget(new QLabel(tr("Channel:")));
    gapControls->addWidget(m_channel);
    gapControls->addWidget(new QLabel(tr("Bins:")));
    gapControls->addWidget(m_bins);
    gapControls->addStretch(1);
    auto *gapLayout = new QVBoxLayout(gapTab);
    gapLayout->addLayout(gapControls);
    gapLayout->addWidget(m_gapView, 1);
    m_tabs->addTab(gapTab, tr("Gap Histogram"));
    m_fieldChart = new FieldChart(session, m_tabs);
    m_tabs->addTab(m_fieldChart, tr("Field over Time"));

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Frames:")));
    top->addWidget(m_scope);
    top->addStretch(1);
    top->addWidget(m_refresh);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_state, 1);
    bottom->addWidget(m_progress, 1);
    bottom->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(bottom);
    resize(960, 640);

    connect(m_scope, &QComboBox::currentIndexChanged, this, &ChartsWindow::refresh);
    connect(m_refresh, &QPushButton::clicked, this, &ChartsWindow::refresh);
    connect(m_cancel, &QPushButton::clicked, this, &ChartsWindow::cancel);
    connect(m_interval, &QComboBox::activated, this, [this] {
        m_chosenInterval = m_interval->currentData().toULongLong();
        mergeRate();
        drawRate();
    });
    connect(m_resetZoom, &QPushButton::clicked, m_rateView, &TimeChartView::resetZoom);
    connect(m_rateView, &TimeChartView::zoomChanged, m_resetZoom, &QPushButton::setEnabled);
    connect(m_channel, &QComboBox::activated, this, &ChartsWindow::startGapPass);
    connect(m_bins, &QSpinBox::valueChanged, this, &ChartsWindow::startGapPass);
    connect(&session.tasks(), &TaskRunner::progressChanged, this,
            [this](const QString &kind, int value) {
                if (kind == TaskKind)
                    m_progress->setValue(value);
            });
    connect(m_fieldChart, &FieldChart::goToFrame, this, &ChartsWindow::goToFrame);
    connect(&session, &CaptureSession::captureChanged, this, &ChartsWindow::captureChanged);
    connect(&session, &CaptureSession::rowsChanged, this, &ChartsWindow::rowsChanged);
    m_growth = new GrowthTimer(session, this);
    connect(m_growth, &QTimer::timeout, this, &ChartsWindow::addNewFrames);
    captureChanged();
}

ChartsWindow::~ChartsWindow()
{
    m_session.tasks().cancel(TaskKind);
}

bool ChartsWindow::isComputing() const
{
    return m_session.tasks().isRunning(TaskKind);
}

void ChartsWindow::closeEvent(QCloseEvent *event)
{
    // Charts cut short by closing are computed again when the window is shown next.
    if (isComputing() || m_fieldChart->isComputing()) {
        cancel();
        m_stale = true;
    }
    QWidget::closeEvent(event);
}

bool ChartsWindow::eventFilter(QObject *watched, QEvent *event)
{
    const bool press = event->type() == QEvent::MouseButtonPress
                       || event->type() == QEvent::MouseButtonDblClick;
    if (press && watched == m_gapView->viewport()
        && !m_gapView->itemAt(static_cast<QMouseEvent *>(event)->position().toPoint()))
        return true;
    return QWidget::eventFilter(watched, event);
}

QChart *ChartsWindow::rateChart() const
{
    return m_rateView->chart();
}

QChart *ChartsWindow::gapChart() const
{
    return m_gapView->chart();
}

void ChartsWindow::setChart(QChartView *view, QChart *chart)
{
    // The view lets go of its chart without deleting it.
    QChart *old = view->chart();
    view->setChart(chart);
    delete old;
}

void ChartsWindow::captureChanged()
{
    // The pass over the old capture goes on alone until it sees that it is cancelled.
    m_session.tasks().cancel(TaskKind);
    m_pass = Pass::None;
    const bool loaded = m_session.capture() != nullptr;
    m_stats.reset();
    m_rate.reset();
    m_fineRate.reset();
    m_gaps.reset();
    m_figures.reset();
    m_covered = 0;
    m_growth->stop();
    m_interval->clear();
    m_channel->clear();
    drawRate();
    drawGaps();
    m_progress->hide();
    m_cancel->hide();
    m_state->setText(loaded ? QString() : tr("No capture is loaded."));
    m_scope->setEnabled(loaded);
    m_refresh->setEnabled(loaded);
    refreshWhenShown();
}

void ChartsWindow::rowsChanged()
{
    if (m_scope->currentIndex() == 1)
        refreshWhenShown();
}

void ChartsWindow::refreshWhenShown()
{
    m_stale = true;
    if (isVisible())
        refresh();
}

FrameRows ChartsWindow::scopeRows() const
{
    if (!m_session.capture())
        return FrameRows();
    return m_scope->currentIndex() == 1 ? m_session.rows() : FrameRows(m_session.frameCount());
}

void ChartsWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_stale)
        refresh();
}

bool ChartsWindow::hasNewFramesPending() const
{
    return m_growth->isActive();
}

void ChartsWindow::addNewFrames()
{
    m_growth->stop();
    const std::shared_ptr<const Capture> capture = m_session.capture();
    if (!capture || !m_figures || m_covered >= m_session.frameCount())
        return;
    if (!isVisible()) {
        m_stale = true;
        return;
    }
    // A pass under way covers fewer frames: they are taken in after it.
    if (isComputing()) {
        m_growth->start();
        return;
    }
    const FrameRows rows = scopeRows();
    const auto [first, last] = CapturePass::timeSpan(*capture, rows);
    const quint64 duration = last > first ? last - first : 0;
    const TimeBinning binning(first, duration, FrameRateSeries::baseInterval(duration));
    std::optional<FrameRateSeries> before = m_figures->rate.regridded(binning);
    if (!before) {
        startRatePass();
        return;
    }
    const TimeChartFigures empty{StatisticsCollector(capture->protocolVersion()),
                                 FrameRateSeries(binning, capture->protocolVersion())};
    TimeChartFigures earlier{m_figures->stats, std::move(*before)};
    const int bins = m_bins->value();
    m_pass = Pass::Rate;
    struct Grown
    {
        std::shared_ptr<const TimeChartFigures> figures;
        std::shared_ptr<GapHistogram> gaps;
    };
    const qint64 from = m_covered;
    m_session.tasks().start<Grown>(
        TaskKind,
        [capture, rows, empty, earlier, from, gaps = m_gaps, bins](QPromise<Grown> &promise) {
            const CapturePass pass(*capture, rows);
            std::optional<TimeChartFigures> added = pass.collect(
                empty, [](TimeChartFigures &part, const FrameCursor &cursor) { part.add(cursor); },
                TaskRunner::progressOf(promise), from);
            if (!added)
                return;
            Grown grown;
            TimeChartFigures figures = earlier;
            figures.merge(*added);
            // The histogram is cut by the channel's shortest and longest gaps: while they stay,
            // the new gaps add to it; else it is measured anew.
            if (gaps) {
                const ChannelFigures &was =
                    earlier.stats.result().channels[std::size_t(gaps->channelKey())];
                const ChannelFigures &is =
                    figures.stats.result().channels[std::size_t(gaps->channelKey())];
                if (was.minGapNs == is.minGapNs && was.maxGapNs == is.maxGapNs) {
                    const GapHistogram none(gaps->channelKey(), capture->protocolVersion(),
                                            is.minGapNs, is.maxGapNs, bins);
                    std::optional<GapHistogram> more = pass.collect(
                        none,
                        [](GapHistogram &part, const FrameCursor &cursor) {
                            part.add(cursor.number(), cursor.header(), cursor.isMissing(),
                                     cursor.ticks());
                        },
                        TaskRunner::progressOf(promise), from);
                    if (!more)
                        return;
                    grown.gaps = std::make_shared<GapHistogram>(*gaps);
                    grown.gaps->merge(*more);
                }
            }
            grown.figures = std::make_shared<const TimeChartFigures>(std::move(figures));
            promise.addResult(std::move(grown));
        },
        [this, capture, covered = rows.total()](Grown grown) {
            if (capture != m_session.capture())
                return;
            m_covered = covered;
            rateFinished(std::move(grown.figures), std::move(grown.gaps));
        });
}

void ChartsWindow::refresh()
{
    m_stale = false;
    m_growth->stop();
    m_chosenInterval = 0;
    startRatePass();
    m_fieldChart->refresh(scopeRows());
}

void ChartsWindow::cancel()
{
    m_fieldChart->cancel();
    if (!isComputing())
        return;
    m_session.tasks().cancel(TaskKind);
    passCancelled();
}

void ChartsWindow::startRatePass()
{
    m_session.tasks().cancel(TaskKind);
    // The pass holds the capture until it ends, whatever the session does meanwhile.
    const std::shared_ptr<const Capture> capture = m_session.capture();
    if (!capture)
        return;
    const FrameRows rows = scopeRows();
    // The stretch of time from the first frame looked at to the last.
    const auto [first, last] = CapturePass::timeSpan(*capture, rows);
    const quint64 duration = last > first ? last - first : 0;
    // Counted at the finest interval; the coarser ones the user may choose are merged from it.
    const TimeChartFigures empty{
        StatisticsCollector(capture->protocolVersion()),
        FrameRateSeries(TimeBinning(first, duration, FrameRateSeries::baseInterval(duration)),
                        capture->protocolVersion())};
    m_pass = Pass::Rate;
    m_state->setText(tr("Counting frames per interval ..."));
    m_progress->setValue(0);
    m_progress->show();
    m_cancel->show();
    // The charts show only what a whole pass found, and only for the capture it looked at.
    using Result = std::shared_ptr<const TimeChartFigures>;
    m_session.tasks().start<Result>(
        TaskKind,
        [capture, rows, empty](QPromise<Result> &promise) {
            std::optional<TimeChartFigures> figures = CapturePass(*capture, rows).collect(
                empty,
                [](TimeChartFigures &part, const FrameCursor &cursor) { part.add(cursor); },
                TaskRunner::progressOf(promise));
            if (figures)
                promise.addResult(std::make_shared<const TimeChartFigures>(std::move(*figures)));
        },
        [this, capture, covered = rows.total()](Result figures) {
            if (capture != m_session.capture())
                return;
            m_covered = covered;
            rateFinished(std::move(figures));
        });
}

void ChartsWindow::startGapPass()
{
    const std::shared_ptr<const Capture> capture = m_session.capture();
    if (!capture || !m_stats || m_pass == Pass::Rate || m_channel->count() == 0) {
        drawGaps();
        return;
    }
    m_session.tasks().cancel(TaskKind);
    const int key = m_channel->currentData().toInt();
    const ChannelFigures &figures = m_stats->result().channels[std::size_t(key)];
    const GapHistogram empty(key, capture->protocolVersion(), figures.minGapNs,
                             figures.maxGapNs, m_bins->value());
    m_gaps.reset();
    m_pass = Pass::Gaps;
    m_state->setText(tr("Measuring the gaps of %1 ...").arg(channelName(key)));
    m_progress->setValue(0);
    m_progress->show();
    m_cancel->show();
    using Result = std::shared_ptr<GapHistogram>;
    m_session.tasks().start<Result>(
        TaskKind,
        [capture, rows = scopeRows(), empty](QPromise<Result> &promise) {
            std::optional<GapHistogram> gaps = CapturePass(*capture, rows).collect(
                empty,
                [](GapHistogram &part, const FrameCursor &cursor) {
                    part.add(cursor.number(), cursor.header(), cursor.isMissing(),
                             cursor.ticks());
                },
                TaskRunner::progressOf(promise));
            if (gaps)
                promise.addResult(std::make_shared<GapHistogram>(std::move(*gaps)));
        },
        [this, capture](Result gaps) {
            if (capture == m_session.capture())
                gapsFinished(std::move(gaps));
        });
}

void ChartsWindow::rateFinished(std::shared_ptr<const TimeChartFigures> figures,
                                std::shared_ptr<GapHistogram> gaps)
{
    m_pass = Pass::None;
    m_progress->hide();
    m_cancel->hide();
    m_state->setText(coverageNote());
    m_figures = figures;
    m_stats = std::shared_ptr<const StatisticsCollector>(figures, &figures->stats);
    m_fineRate = std::shared_ptr<const FrameRateSeries>(figures, &figures->rate);
    mergeRate();
    m_gaps = std::move(gaps);
    fillIntervals();
    fillChannels();
    drawRate();
    if (m_gaps && m_channel->currentData().toInt() == m_gaps->channelKey())
        drawGaps();
    else
        startGapPass();
    emit computed(true);
}

void ChartsWindow::gapsFinished(std::shared_ptr<GapHistogram> gaps)
{
    m_pass = Pass::None;
    m_progress->hide();
    m_cancel->hide();
    m_gaps = std::move(gaps);
    m_state->setText(coverageNote());
    drawGaps();
    emit computed(true);
}

QString ChartsWindow::coverageNote() const
{
    return !m_session.isStillReading() && m_covered == m_session.frameCount()
               ? QString()
               : CaptureSession::framesReadSoFar(m_covered);
}

void ChartsWindow::passCancelled()
{
    const Pass pass = m_pass;
    m_pass = Pass::None;
    m_progress->hide();
    m_cancel->hide();
    m_state->setText(tr("Cancelled: Refresh computes the charts again."));
    if (pass == Pass::Rate) {
        fillIntervals();
        fillChannels();
        drawRate();
    }
    drawGaps();
    emit computed(false);
}

void ChartsWindow::mergeRate()
{
    if (!m_fineRate) {
        m_rate.reset();
        return;
    }
    const quint64 duration = m_fineRate->binning().durationNs();
    const quint64 interval = TimeBinning::choices(duration).contains(m_chosenInterval)
                                 ? m_chosenInterval
                                 : TimeBinning::automatic(duration);
    m_rate = std::make_shared<FrameRateSeries>(m_fineRate->merged(interval));
}

void ChartsWindow::fillIntervals()
{
    m_interval->clear();
    if (!m_rate)
        return;
    const TimeBinning &binning = m_rate->binning();
    const quint64 duration = binning.durationNs();
    for (const quint64 interval : TimeBinning::choices(duration)) {
        m_interval->addItem(tr("%1 (%2 points)")
                                .arg(TimeText::readable(qint64(interval)))
                                .arg(TimeBinning::binsFor(duration, interval)),
                            QVariant::fromValue(interval));
        if (interval == binning.intervalNs())
            m_interval->setCurrentIndex(m_interval->count() - 1);
    }
}

void ChartsWindow::fillChannels()
{
    const QVariant previous = m_channel->currentData();
    m_channel->clear();
    if (!m_stats)
        return;
    // The channels that have a gap; the one shown before stays, else the busiest one.
    int chosen = -1;
    qint64 busiest = -1;
    for (int key = 0; key < CaptureStatistics::Channels; ++key) {
        const ChannelFigures &figures = m_stats->result().channels[std::size_t(key)];
        if (figures.gaps() == 0)
            continue;
        m_channel->addItem(channelName(key), key);
        if (previous.isValid() ? previous.toInt() == key : figures.frames > busiest) {
            chosen = m_channel->count() - 1;
            busiest = figures.frames;
        }
    }
    m_channel->setCurrentIndex(qMax(0, chosen));
}

QString ChartsWindow::channelName(int key) const
{
    if (m_session.protocolVersion() != 0)
        return QStringLiteral("not impl");
    FrameHeader header;
    header.channelType = quint8(key);
    // Types 12 to 15 share one name.
    return key >= 12 ? tr("%1 (%2)").arg(header.channelTypeName()).arg(key)
                     : header.channelTypeName();
}

QColor ChartsWindow::channelColor(int key) const
{
    if (!m_colors || !m_session.capture())
        return QColor();
    QString name = QStringLiteral("not impl");
    if (m_session.protocolVersion() == 0) {
        FrameHeader header;
        header.channelType = quint8(key);
        name = header.channelTypeName();
    }
    const QColor color = m_colors->bgColor(m_session.protocolVersion(), name);
    // White is the table's "no colour"; the chart's own colours do better on white.
    return color.isValid() && color != QColor(Qt::white) ? color : QColor();
}

void ChartsWindow::drawRate()
{
    auto *chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignRight);
    if (!m_rate) {
        chart->setTitle(m_session.capture() ? tr("Frames over time: not computed") : QString());
        setChart(m_rateView, chart);
        m_rateView->setTimeAxis(nullptr);
        return;
    }
    const TimeBinning &binning = m_rate->binning();
    const int bins = binning.bins();
    const double unit = valueUnitNs(binning.binStart(bins));
    m_rateUnit = unit;
    chart->setTitle(tr("Frames per %1 by logical channel type")
                        .arg(TimeText::readable(qint64(binning.intervalNs()))));

    // Each channel's area lies on top of those before it.
    std::vector<qint64> stacked(std::size_t(bins), 0);
    QLineSeries *lower = nullptr;
    std::vector<QAreaSeries *> areas;
    for (int key = 0; key < FrameRateSeries::Channels; ++key) {
        if (m_rate->total(key) == 0)
            continue;
        QList<QPointF> points;
        points.reserve(2 * bins);
        for (int bin = 0; bin < bins; ++bin) {
            stacked[std::size_t(bin)] += m_rate->count(bin, key);
            appendStep(points, double(binning.binStart(bin)) / unit,
                       double(binning.binStart(bin + 1)) / unit,
                       double(stacked[std::size_t(bin)]));
        }
        // The lines belong to the chart; the areas only point at them.
        auto *upper = new QLineSeries(chart);
        upper->replace(points);
        auto *area = new QAreaSeries(upper, lower);
        area->setName(channelName(key));
        const QColor color = channelColor(key);
        if (color.isValid()) {
            area->setColor(color);
            area->setBorderColor(color.darker(130));
        }
        connect(area, &QAreaSeries::clicked, this, [this](const QPointF &point) {
            // The end of a drag along the time is no click.
            if (m_rateView->dragged())
                return;
            const qint64 frame = frameAtAxis(point.x());
            if (frame >= 0)
                emit goToFrame(frame);
        });
        connect(area, &QAreaSeries::hovered, this, [this](const QPointF &point, bool state) {
            if (!state || !m_rate)
                return;
            const int bin = m_rate->binning().binOf(quint64(qMax(0.0, point.x() * m_rateUnit)));
            QToolTip::showText(QCursor::pos(),
                               tr("%1 frames from %2")
                                   .arg(NumberText::grouped(m_rate->count(bin)))
                                   .arg(TimeText::readable(qint64(m_rate->binning().binStart(bin)))));
        });
        chart->addSeries(area);
        areas.push_back(area);
        lower = upper;
    }
    const qint64 highest = stacked.empty() ? 0 : *std::max_element(stacked.begin(), stacked.end());
    TickAxis *x = timeAxis(tr("Time [%1]"), unit, double(binning.startNs()) / unit,
                           double(binning.binStart(bins)) / unit);
    TickAxis *y = countAxis(tr("Frames per %1").arg(TimeText::readable(qint64(binning.intervalNs()))),
                            highest);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAreaSeries *area : areas) {
        area->attachAxis(x);
        area->attachAxis(y);
    }
    if (areas.empty())
        chart->setTitle(tr("No frame with a time"));
    setChart(m_rateView, chart);
    m_rateView->setTimeAxis(x);
}

void ChartsWindow::drawGaps()
{
    auto *chart = new QChart;
    chart->legend()->hide();
    if (!m_gaps) {
        if (m_stats && m_channel->count() == 0)
            chart->setTitle(tr("No channel has two frames with a time: there is no gap"));
        setChart(m_gapView, chart);
        return;
    }
    const int bins = m_gaps->bins();
    const double unit = valueUnitNs(m_gaps->binStartNs(bins));
    qint64 gaps = 0;
    qint64 highest = 0;
    QList<QPointF> points;
    points.reserve(2 * bins);
    for (int bin = 0; bin < bins; ++bin) {
        gaps += m_gaps->count(bin);
        highest = qMax(highest, m_gaps->count(bin));
        appendStep(points, double(m_gaps->binStartNs(bin)) / unit,
                   double(m_gaps->binStartNs(bin + 1)) / unit, double(m_gaps->count(bin)));
    }
    chart->setTitle(tr("Gaps between frames of %1: %2 gaps in bins of %3")
                        .arg(channelName(m_gaps->channelKey()), NumberText::grouped(gaps))
                        .arg(TimeText::readable(qint64(m_gaps->binWidthNs()))));
    auto *upper = new QLineSeries(chart);
    upper->replace(points);
    auto *area = new QAreaSeries(upper);
    const QColor color = channelColor(m_gaps->channelKey());
    if (color.isValid()) {
        area->setColor(color);
        area->setBorderColor(color.darker(130));
    }
    chart->addSeries(area);
    TickAxis *x = timeAxis(tr("Gap [%1]"), unit, double(m_gaps->binStartNs(0)) / unit,
                           double(m_gaps->binStartNs(bins)) / unit);
    TickAxis *y = countAxis(tr("Gaps"), highest);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    area->attachAxis(x);
    area->attachAxis(y);
    setChart(m_gapView, chart);
}

qint64 ChartsWindow::frameAtAxis(double x) const
{
    if (!m_rate || !std::isfinite(x))
        return -1;
    const double ns = x * m_rateUnit;
    const quint64 at = ns <= 0 ? 0 : ns >= 1.8e19 ? ~quint64(0) : quint64(std::llround(ns));
    return m_rate->frameFrom(m_rate->binning().binOf(at));
}

} // namespace Korvex
