// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/printjob.h"

#include "viewer/app/taskkinds.h"
#include "core/files/capture.h"
#include "core/files/outputfile.h"
#include "viewer/views/frameprinter.h"
#include "viewer/dialogs/modaldialogs.h"

#include <QCoreApplication>
#include <QFile>
#include <QPrinter>
#include <QProgressBar>
#include <QProgressDialog>
#include <QTemporaryFile>
#include <QWidget>

namespace Korvex {

namespace {

// The texts the window printed with before the job was a class of its own.
QString windowText(const char *text)
{
    return QCoreApplication::translate("Framescope", text);
}

} // namespace

PrintJob::PrintJob(QWidget *window, std::shared_ptr<const Capture> capture,
                   std::shared_ptr<QPrinter> printer, std::shared_ptr<FramePrinter> frames,
                   const TimeColumn &time, const QString &target,
                   std::unique_ptr<QTemporaryFile> printed)
    : QObject(window)
    , m_window(window)
    , m_capture(std::move(capture))
    , m_printer(std::move(printer))
    , m_frames(std::move(frames))
    , m_target(target)
    , m_printed(std::move(printed))
{
    // The printout keeps the time column as it was when printing started.
    // It is shared with the layout on the worker, which may outlive the job.
    m_time->setCapture(m_capture.get());
    m_time->setMode(time.mode());
    m_time->setReference(time.reference());
    m_frames->setTimeColumn(m_time.get());
    connect(&m_pages, &QTimer::timeout, this, &PrintJob::paintNext);
}

PrintJob::~PrintJob()
{
    // A printout left unfinished (the window closed) is thrown away.
    if (m_painter.isActive()) {
        m_printer->abort();
        m_painter.end();
    }
    delete m_progress;
}

void PrintJob::start(TaskRunner &runner, int delayMs, const TaskDialog::Hook &hook)
{
    // The worker shares what it reads: the job may go before the layout ends.
    const QFuture<bool> layout = TaskDialog::run<bool>(
        runner, TaskKinds::Print, m_window, windowText("Preparing the printout ..."), delayMs,
        [frames = m_frames, printer = m_printer, capture = m_capture,
         time = m_time](const WorkProgress &progress) {
            return frames->layOut(printer.get(), [&progress] { return progress(0, 0); });
        },
        std::function<void(bool)>([this](bool complete) { laidOut(complete); }), hook);
    // A layout the runner cancelled never reports: the job goes with it.
    connect(&m_layout, &QFutureWatcherBase::canceled, this, &QObject::deleteLater);
    m_layout.setFuture(QFuture<void>(layout));
}

void PrintJob::laidOut(bool complete)
{
    if (!complete || !m_window) {
        deleteLater();
        return;
    }
    // The print dialog's page range counts pages of the printout.
    QPrinter &printer = *m_printer;
    m_first = 1;
    m_last = m_frames->pageCount();
    if (printer.printRange() == QPrinter::PageRange) {
        m_first = qMax(m_first, printer.fromPage());
        m_last = qMin(m_last, printer.toPage());
    }
    // Copies the printing system does not make are printed here: the whole printout again
    // when collated, otherwise each page again.
    const int copies = printer.supportsMultipleCopies() ? 1 : qMax(1, printer.copyCount());
    m_printouts = printer.collateCopies() ? copies : 1;
    m_pageCopies = printer.collateCopies() ? 1 : copies;
    m_page = m_first;

    m_progress = new QProgressDialog(
        windowText("Printing pages %1 to %2 of %3 ...").arg(m_first).arg(m_last).arg(m_frames->pageCount()),
        windowText("Cancel"), 0, qMax(1, (m_last - m_first + 1) * copies), m_window);
    // The bar is set directly: the dialog's own setValue() would handle events inside it.
    auto *bar = new QProgressBar(m_progress);
    bar->setRange(0, qMax(1, (m_last - m_first + 1) * copies));
    m_progress->setBar(bar);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    connect(m_progress, &QProgressDialog::canceled, this, &PrintJob::cancel);
    m_pages.start(0);
    // Cancel may be pressed as the dialog shows, before the first page.
    m_progress->show();
}

void PrintJob::paintNext()
{
    if (m_printout >= m_printouts || m_first > m_last) {
        finish(false);
        return;
    }
    if (m_painter.isActive()) {
        m_printer->newPage();
    } else if (!m_painter.begin(m_printer.get())) {
        // The printing system could not start; it has said why where it can.
        m_pages.stop();
        deleteLater();
        return;
    }
    m_frames->paintPage(m_painter, m_page);
    if (m_progress)
        m_progress->findChild<QProgressBar *>()->setValue(++m_done);
    if (++m_copy == m_pageCopies) {
        m_copy = 0;
        if (++m_page > m_last) {
            m_page = m_first;
            ++m_printout;
        }
    }
}

void PrintJob::cancel()
{
    finish(true);
}

void PrintJob::finish(bool cancelled)
{
    m_pages.stop();
    deleteLater();
    if (!m_painter.isActive())
        return;
    // A cancelled printout is thrown away where the printing system allows it.
    if (cancelled)
        m_printer->abort();
    const bool finished = m_painter.end();
    if (cancelled || m_target.isEmpty())
        return;
    QFile source(m_printed->fileName());
    OutputFile file(m_target);
    bool copied = finished && source.open(QIODevice::ReadOnly) && file.open();
    while (copied && !source.atEnd()) {
        const QByteArray bytes = source.read(qint64(1) << 20);
        copied = !bytes.isEmpty() && file.device().write(bytes) == bytes.size();
    }
    if (!copied || !file.commit()) {
        ModalDialogs::message(m_window, QMessageBox::Warning, windowText("Print"),
                              windowText("%1 cannot be written: %2")
                                  .arg(m_target, file.errorString()));
    }
}

} // namespace Korvex
