// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_APP_PRINTJOB_H
#define VIEWER_APP_PRINTJOB_H

#include "viewer/app/taskdialog.h"
#include "core/text/timecolumn.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPainter>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>

QT_BEGIN_NAMESPACE
class QPrinter;
class QProgressDialog;
class QTemporaryFile;
class QWidget;
QT_END_NAMESPACE

namespace Korvex {

class Capture;
class FramePrinter;
class TaskRunner;

/// One printout on its way. The pages are laid out on a worker (the pass over the printed
/// frames' index), then painted one page per turn of the window's event loop, since a printer
/// is painted on in the window's thread; the window repaints between pages. A printout into a
/// file goes to a temporary copy first and replaces the file once complete, so a cancelled
/// printout never harms it. Deletes itself when it ends.
class PrintJob : public QObject
{
    Q_OBJECT

public:
    /// Prints `frames` (of `capture`, shared for as long as the job runs) on `printer`, the
    /// time column as `time` shows it; `target` is the file the printer was set to write, or
    /// empty, and `printed` the temporary copy the printer writes then.
    PrintJob(QWidget *window, std::shared_ptr<const Capture> capture,
             std::shared_ptr<QPrinter> printer, std::shared_ptr<FramePrinter> frames,
             const TimeColumn &time, const QString &target,
             std::unique_ptr<QTemporaryFile> printed);
    ~PrintJob() override;

    /// Lays the pages out as a task of the runner, with its progress dialog after `delayMs`.
    void start(TaskRunner &runner, int delayMs, const TaskDialog::Hook &hook);

private:
    void laidOut(bool complete);
    void paintNext();
    void cancel();
    /// Ends the printout: thrown away when cancelled, otherwise saved into the target file.
    void finish(bool cancelled);

    QPointer<QWidget> m_window;
    std::shared_ptr<const Capture> m_capture;
    std::shared_ptr<QPrinter> m_printer;
    std::shared_ptr<FramePrinter> m_frames;
    std::shared_ptr<TimeColumn> m_time = std::make_shared<TimeColumn>();
    QString m_target;
    std::unique_ptr<QTemporaryFile> m_printed;

    QFutureWatcher<void> m_layout;
    QPainter m_painter;
    QTimer m_pages;
    QPointer<QProgressDialog> m_progress;
    int m_first = 1;
    int m_last = 1;
    int m_printouts = 1;
    int m_pageCopies = 1;
    int m_printout = 0;
    int m_page = 1;
    int m_copy = 0;
    int m_done = 0;
};

} // namespace Korvex

#endif // VIEWER_APP_PRINTJOB_H
