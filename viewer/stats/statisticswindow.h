// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_STATS_STATISTICSWINDOW_H
#define VIEWER_STATS_STATISTICSWINDOW_H

#include "core/stats/statisticsreport.h"

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

class GrowthTimer;
class CaptureSession;
class FrameRows;
class StatisticsFigures;
class StatisticsModel;

/// The statistics of the session's capture: a summary, and sortable tables of the logical
/// channel types (with the frames at the shortest and the longest gap a click away), the payload
/// sizes and the CTS values, and with field definitions per field its figures and per value name
/// its frames, over all frames or those the table displays. It follows the
/// session: a new capture, other definitions, or new rows while it looks at the displayed
/// frames, is looked at anew
/// while the window is shown (else when it is shown next). Computed on the session's task
/// runner in one pass split over every core, with progress and Cancel; a cancelled pass leaves
/// the figures before it, and closing the window cancels it. Copied as text exactly as
/// drfdump --stats prints them. Frames that join the session are taken in at most once a
/// second by a pass over them alone, merged with the figures before them.
class StatisticsWindow : public QWidget
{
    Q_OBJECT

public:
    /// The kind of the window's task on the session's runner.
    static const QString TaskKind;

    /// The session must outlive the window.
    explicit StatisticsWindow(CaptureSession &session, QWidget *parent = nullptr);
    ~StatisticsWindow() override;

    /// Computes the statistics anew; the figures shown stay until the new ones are complete.
    void refresh();
    /// Takes the frames that joined the session since the figures shown into them, by a pass
    /// over those frames alone: what the window does at most once a second while frames join.
    void addNewFrames();
    /// Whether frames joined that addNewFrames() takes in when the second is over.
    bool hasNewFramesPending() const;

    bool isComputing() const;
    /// The last complete statistics of the capture, or nullptr.
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
    void closeEvent(QCloseEvent *event) override;

private:
    /// A new capture (or none): the figures of the old one go.
    void captureChanged();
    /// New rows: looked at anew when the displayed frames are.
    void rowsChanged();
    /// Computes anew now when the window is shown, else when it is shown next.
    void refreshWhenShown();
    /// Starts the pass over the scope's frames from `first` on, whose figures are merged into
    /// `before` (the figures of the frames before `first`, or nullptr from the first frame).
    void startPass(qint64 first, std::shared_ptr<const StatisticsFigures> before);
    /// The figures of a complete pass over the first `covered` frames of the capture, or
    /// nullptr for one cancelled; `partial` when they were not all the capture's frames.
    void passFinished(std::shared_ptr<const StatisticsFigures> figures, const QString &scope,
                      qint64 covered = 0, bool partial = false);
    void showReport();
    void goToGap(const QString &key);
    void goToCell(const QModelIndex &index);
    void updateButtons();
    FrameRows scopeRows() const;

    CaptureSession &m_session;
    // What the shown report was made of.
    std::shared_ptr<const StatisticsFigures> m_shown;
    std::unique_ptr<StatisticsReport> m_report;
    bool m_stale = true;
    // The frames of the capture the shown figures looked at (shown or not), and whether the
    // capture had more, or was still being read.
    qint64 m_covered = 0;
    bool m_partial = false;
    // Holds back the frames that join for a second after the first of them.
    GrowthTimer *m_growth;

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
    QWidget *m_fieldTables;
    StatisticsModel *m_fieldModel;
    StatisticsModel *m_valueModel;
    QPushButton *m_goMin;
    QPushButton *m_goMax;
    QProgressBar *m_progress;
    QPushButton *m_cancel;
};

} // namespace Korvex

#endif // VIEWER_STATS_STATISTICSWINDOW_H
