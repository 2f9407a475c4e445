// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_STATS_FIELDCHART_H
#define VIEWER_STATS_FIELDCHART_H

#include "core/filters/framerows.h"

#include <QWidget>

#include <memory>

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QComboBox;
class QProgressBar;
class QPushButton;
QT_END_NAMESPACE

namespace Korvex {

class CaptureSession;
class FieldTimeSeries;

/// The "Field over Time" chart of the charts window: a field of the session's definitions,
/// chosen by name, as a step line over the frames given, where a value holds until the next
/// frame of its message. It is computed on the session's task runner, in one pass split over
/// every core, while the chart is shown, and drawn from a few points per interval of time (the smallest, largest and last
/// value), a few thousand at most; a click on the chart selects the frame whose value is shown
/// there.
class FieldChart : public QWidget
{
    Q_OBJECT

public:
    /// The kind of the chart's task on the session's runner.
    static const QString TaskKind;

    /// The session must outlive the chart.
    explicit FieldChart(CaptureSession &session, QWidget *parent = nullptr);
    ~FieldChart() override;

    /// Computes the chosen field's line over these rows of the session's capture, now when the
    /// chart is shown, else when it is shown next.
    void refresh(const FrameRows &rows);
    void cancel();
    bool isComputing() const;

    /// What the chart shows, once computed (else nullptr).
    const FieldTimeSeries *series() const { return m_series.get(); }
    QChart *chart() const;
    /// The frame a click at x (the time in ns, as the axis counts) selects, or -1.
    qint64 frameAtAxis(double x) const;

signals:
    void goToFrame(qint64 frame);
    /// A pass ended, complete or cancelled; after a complete one the line is drawn.
    void computed(bool completed);

protected:
    void showEvent(QShowEvent *event) override;
    /// A press on the plot selects a frame; the chart view itself does nothing with presses.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void captureChanged();
    /// Other definitions: the fields to choose from follow, the chosen one kept by its name.
    void definitionsChanged();
    /// Drops the line and any pass for it.
    void clear();
    void start();
    /// Ends the pass: complete with its line, or cancelled (nullptr).
    void passFinished(std::shared_ptr<const FieldTimeSeries> series);
    void draw(const QString &title = QString());

    CaptureSession &m_session;
    FrameRows m_rows;
    bool m_stale = false;
    std::shared_ptr<const FieldTimeSeries> m_series;

    QComboBox *m_field;
    QChartView *m_view;
    QProgressBar *m_progress;
    QPushButton *m_cancel;
};

} // namespace Korvex

#endif // VIEWER_STATS_FIELDCHART_H
