// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_STATS_CHARTSWINDOW_H
#define VIEWER_STATS_CHARTSWINDOW_H

#include <QWidget>

#include <memory>

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
QT_END_NAMESPACE

namespace Korvex {

class GrowthTimer;
class CaptureSession;
class FieldChart;
class FrameColorScheme;
class FrameRows;
class FrameRateSeries;
class GapHistogram;
class StatisticsCollector;
struct TimeChartFigures;
class TimeChartView;

/// Charts of the timing of the session's capture: the frames per interval of time stacked by
/// logical channel type (the interval chosen to give a few hundred points, or by the user),
/// where a click selects the first frame of that interval in the table, the wheel zooms and a
/// drag moves along the time; a histogram of the gaps between the frames of one channel; and a
/// field of the session's definitions over time (FieldChart). Both axes tick at round numbers
/// in units that read well. It follows the session as the statistics window
/// does. Each is computed on the session's task runner in one pass split over every core, with
/// progress and Cancel, and draws at most a few thousand points whatever the capture's size.
class ChartsWindow : public QWidget
{
    Q_OBJECT

public:
    /// The channels are drawn in their table colours where they have one. The session must
    /// outlive the window.
    ChartsWindow(CaptureSession &session, const FrameColorScheme *colors,
                 QWidget *parent = nullptr);

    /// The kind of the window's tasks on the session's runner.
    static const QString TaskKind;
    ~ChartsWindow() override;

    /// Computes both charts anew, the interval chosen automatically.
    void refresh();
    /// Takes the frames that joined the session since the charts were computed into them, by
    /// a pass over those frames alone (a whole pass where the new frames change the gaps the
    /// histogram is cut by): what the window does at most once a second while frames join.
    void addNewFrames();
    /// Whether frames joined that addNewFrames() takes in when the second is over.
    bool hasNewFramesPending() const;
    void cancel();
    bool isComputing() const;

    /// What the charts show, once computed (else nullptr).
    const FrameRateSeries *rateSeries() const { return m_rate.get(); }
    const GapHistogram *gapHistogram() const { return m_gaps.get(); }
    QChart *rateChart() const;
    QChart *gapChart() const;
    FieldChart *fieldChart() const { return m_fieldChart; }
    /// The time chart's view, which zooms and moves along the time.
    TimeChartView *rateView() const { return m_rateView; }
    /// Nanoseconds per unit of the time chart's x axis.
    double rateUnitNs() const { return m_rateUnit; }

    /// The frame a click on the time chart at x (in axis units) leads to: the first of that
    /// interval, or of the next one with a frame; -1 for none.
    qint64 frameAtAxis(double x) const;

signals:
    void goToFrame(qint64 frame);
    /// A pass ended, complete or cancelled; after a complete one its chart is drawn.
    void computed(bool completed);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    /// Keeps presses off the gap chart's view where no item lies under them, which the chart
    /// view of Qt 6.4 does not check for (the time chart's view sees to that itself).
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Pass { None, Rate, Gaps };

    /// A new capture (or none): the charts of the old one go.
    void captureChanged();
    /// New rows: computed anew when the displayed frames are charted.
    void rowsChanged();
    /// Computes anew now when the window is shown, else when it is shown next.
    void refreshWhenShown();
    FrameRows scopeRows() const;
    void startRatePass();
    void startGapPass();
    /// Ends the pass running: complete with what it found, or cancelled (nothing).
    void rateFinished(std::shared_ptr<const TimeChartFigures> figures,
                      std::shared_ptr<GapHistogram> gaps = nullptr);
    void gapsFinished(std::shared_ptr<GapHistogram> gaps);
    void passCancelled();
    /// Says when the charts are of the frames read so far of a capture still being read.
    QString coverageNote() const;
    /// The chart's series for the interval chosen, merged from the finest counts.
    void mergeRate();
    void fillIntervals();
    void fillChannels();
    void drawRate();
    void drawGaps();
    void setChart(QChartView *view, QChart *chart);
    QColor channelColor(int key) const;
    QString channelName(int key) const;

    CaptureSession &m_session;
    const FrameColorScheme *m_colors;
    Pass m_pass = Pass::None;
    bool m_stale = true;
    quint64 m_chosenInterval = 0;
    double m_rateUnit = 1;
    std::shared_ptr<const StatisticsCollector> m_stats;
    std::shared_ptr<FrameRateSeries> m_rate;
    /// The counts of the last complete pass at the finest interval, which every choice merges.
    std::shared_ptr<const FrameRateSeries> m_fineRate;
    std::shared_ptr<GapHistogram> m_gaps;
    /// What the last complete time chart pass gathered, and over how many of the capture's
    /// frames (shown or not).
    std::shared_ptr<const TimeChartFigures> m_figures;
    qint64 m_covered = 0;
    /// Holds back the frames that join for a second after the first of them.
    GrowthTimer *m_growth;

    QComboBox *m_scope;
    QPushButton *m_refresh;
    QTabWidget *m_tabs;
    QComboBox *m_interval;
    QPushButton *m_resetZoom;
    TimeChartView *m_rateView;
    QComboBox *m_channel;
    QSpinBox *m_bins;
    QChartView *m_gapView;
    FieldChart *m_fieldChart;
    QLabel *m_state;
    QProgressBar *m_progress;
    QPushButton *m_cancel;
};

} // namespace Korvex

#endif // VIEWER_STATS_CHARTSWINDOW_H
