#ifndef VIEWER_STATS_STATISTICSWINDOW_H
#define VIEWER_STATS_STATISTICSWINDOW_H

#include "viewer/stats/passrunner.h"
#include "core/stats/statisticsreport.h"
#include "core/filters/framerows.h"

#include <QWidget>

#include <memory>

QT_BEGIN_NAMESPACE
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
QT_END_NAMESPACE

namespace Korvex {

class Capture;
class StatisticsCollector;
class StatisticsModel;

/// The capture's statistics: a summary, and sortable tables of the logical channel types (with
/// the frames at the shortest and the longest gap a click away), the payload sizes and the CTS
/// values, over all frames or those the table displays. Computed in one pass over the frames on
/// a thread of its own, with progress and Cancel; copied as text exactly as drfdump --stats
/// prints them.
class StatisticsWindow : public QWidget
{
    Q_OBJECT

public:
    explicit StatisticsWindow(QWidget *parent = nullptr);
    ~StatisticsWindow() override;

    /// The capture and the rows its table displays; nullptr for none. A pass over the capture
    /// before stops first, so it may go as soon as this returns. A new capture is looked at
    /// anew while the window is shown.
    void setSource(const Capture *capture, const FrameRows &displayed);
    /// Computes the statistics anew.
    void refresh();

    bool isComputing() const { return m_runner.isRunning(); }
    /// The last complete statistics, or nullptr.
    const StatisticsReport *report() const { return m_report.get(); }
    /// Cancels a running pass (the Cancel button).
    void cancel();
    /// Puts the report on the clipboard as text.
    void copyReport() const;

signals:
    /// The user asked to see a frame in the frame table.
    void goToFrame(qint64 frame);
    /// A pass ended, complete or cancelled.
    void computed(bool completed);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void passFinished(bool completed);
    void showReport();
    void goToGap(const QString &key);
    void goToCell(const QModelIndex &index);
    void updateButtons();
    FrameRows scopeRows() const;

    const Capture *m_capture = nullptr;
    FrameRows m_displayed;
    PassRunner m_runner;
    std::shared_ptr<StatisticsCollector> m_collector;
    std::unique_ptr<StatisticsReport> m_report;
    bool m_stale = true;

    QComboBox *m_scope;
    QPushButton *m_refresh;
    QPushButton *m_copy;
    QLabel *m_summary;
    QTableView *m_channels;
    QTableView *m_sizes;
    QTableView *m_cts;
    StatisticsModel *m_channelModel;
    StatisticsModel *m_sizeModel;
    StatisticsModel *m_ctsModel;
    QPushButton *m_goMin;
    QPushButton *m_goMax;
    QProgressBar *m_progress;
    QPushButton *m_cancel;
};

} // namespace Korvex

#endif // VIEWER_STATS_STATISTICSWINDOW_H
