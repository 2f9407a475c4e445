// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TESTS_FRAMESCOPEPROBE_H
#define TESTS_FRAMESCOPEPROBE_H

#include "hangguard.h"

#include "viewer/app/framescope.h"
#include "viewer/app/taskkinds.h"
#include "viewer/views/logmodel.h"
#include "core/files/capture.h"
#include "core/session/capturesession.h"
#include "viewer/views/frameprinter.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/payloadhighlighter.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <memory>

namespace Korvex {

/// Lets the tests read the main window's private state without widening its interface.
struct FramescopeProbe
{
    static Ui::Framescope &ui(Framescope &w) { return w.ui; }
    static CaptureSession &session(const Framescope &w) { return *w.session; }
    /// The capture on display, or nullptr.
    static const Capture *capture(const Framescope &w) { return w.session->capture().get(); }
    static qint64 frameCount(const Framescope &w) { return w.session->frameCount(); }
    static int protocolVersion(const Framescope &w) { return w.model->protocolVersion(); }
    static int headerBase(const Framescope &w) { return w.headerBase; }
    static int payloadBytesPerColumn(const Framescope &w) { return w.payloadBytesPerColumn; }
    static int payloadCols(const Framescope &w) { return w.payloadCols; }
    static int payloadByteOrder(const Framescope &w) { return w.payloadByteOrder; }
    static QLabel *statusLabel(const Framescope &w) { return w.statusLabel; }
    static ColorDlg *colorDlg(const Framescope &w) { return w.colorDlg; }
    static FrameTableModel *model(const Framescope &w) { return w.model; }
    static const PayloadHighlighter *highlighter(const Framescope &w) { return w.highlighter; }
    static QList<QVariant> recentFiles(const Framescope &w) { return *w.recentFiles; }
    static QGraphicsScene &scene(Framescope &w) { return w.scene; }
    static ScrollTracker *tracker(const Framescope &w) { return w.tracker; }
    /// The load's progress bar and Cancel button in the status bar, made at the first load.
    static QProgressBar *loadBar(const Framescope &w) { return w.loadBar; }
    static QPushButton *loadCancel(const Framescope &w) { return w.loadCancel; }
    /// Reads what the followed file gained, as the watcher and the poll do, and waits until
    /// what was read is shown; false on a hang.
    [[nodiscard]] static bool followStep(Framescope &w)
    {
        w.followStep();
        return QTest::qWaitFor([&w] { return !w.session->tasks().isRunning(TaskKinds::Follow); },
                               HangGuardMs);
    }
    /// Whether the window follows the capture on display.
    static bool following(const Framescope &w) { return w.followed != nullptr; }
    /// The status bar's "Following: ..." while the window follows a capture.
    static QLabel *followLabel(const Framescope &w) { return w.followLabel; }
    /// What the Print action prints of these rows.
    static std::unique_ptr<FramePrinter> framePrinter(const Framescope &w, const PrintRows &rows)
    {
        return w.framePrinter(rows);
    }
    static LogModel &logModel(Framescope &w) { return *w.logModel; }
    /// The log panel's lines as "LEVEL<TAB>TEXT", the level read from each line's background
    /// (as drfdump --log names them).
    static QStringList logLines(Framescope &w)
    {
        QStringList lines;
        const LogModel &log = *w.logModel;
        for (qint64 row = 0; row < log.rowCount(); ++row) {
            const QColor color = log.background(row);
            const char *level = color == QColor(Qt::white)        ? "info"
                                : color == QColor(Qt::darkYellow) ? "warning"
                                : color == QColor(Qt::red)        ? "error"
                                                                  : "unknown";
            lines.append(QLatin1String(level) + QLatin1Char('\t') + log.text(row));
        }
        return lines;
    }
    /// The statistics and chart windows, once opened.
    static StatisticsWindow *statisticsWindow(const Framescope &w) { return w.statisticsWindow; }
    static ChartsWindow *chartsWindow(const Framescope &w) { return w.chartsWindow; }
    static const FrameMarks &marks(const Framescope &w) { return w.session->marks(); }
    /// Filters, searches and exports show their progress dialog from the start.
    static void showProgressAtOnce(Framescope &w) { w.taskDialogDelayMs = 0; }
    /// Calls `hook` on the worker at every progress report of the window's passes (the load's
    /// among them), with the pass's kind: a hook that waits on a latch holds the pass there.
    static void setTaskHook(Framescope &w, TaskDialog::Hook hook) { w.taskHook = std::move(hook); }
    /// Whether a pass of the window runs (a printout being painted among them).
    static bool busy(Framescope &w)
    {
        const TaskRunner &tasks = w.session->tasks();
        for (const QString &kind : {TaskKinds::Load, TaskKinds::Filter, TaskKinds::Find,
                                    TaskKinds::Export, TaskKinds::Print, TaskKinds::Follow}) {
            if (tasks.isRunning(kind))
                return true;
        }
        return !w.printJob.isNull();
    }
    /// Waits until the window's passes have ended and their results are shown; false on a hang.
    [[nodiscard]] static bool settle(Framescope &w)
    {
        return QTest::qWaitFor([&w] { return !busy(w); }, HangGuardMs);
    }
    /// Loads a capture and waits for the load to end, as a load on the window's thread did.
    static void loadFile(Framescope &w, const QString &fileName)
    {
        w.loadFile(fileName);
        if (!settle(w))
            qFatal("a load did not end");
    }
    /// The status bar's passing note.
    static QString note(Framescope &w) { return w.statusBar()->currentMessage(); }

    /// Tells the window that its definition file (or the file's folder) changed on disk, as
    /// its watcher does.
    static void definitionsFileChanged(Framescope &w, const QString &path)
    {
        w.definitionsFileChanged(path);
    }

    /// Puts a capture on display as a load does, but with no current frame. nullptr empties
    /// the table.
    static void showCapture(Framescope &w, std::unique_ptr<Capture> capture)
    {
        w.session->setCapture(std::move(capture));
    }
};

} // namespace Korvex

#endif // TESTS_FRAMESCOPEPROBE_H
