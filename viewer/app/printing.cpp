// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "core/files/outputfile.h"
#include "core/session/capturesession.h"
#include "viewer/views/frameprinter.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/printframesdlg.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QTemporaryFile>

namespace Korvex {

namespace {

// The longest the window goes without handling its events (repaints) while printing.
constexpr qint64 EventsEveryMs = 40;

} // namespace

std::unique_ptr<FramePrinter> Framescope::framePrinter(const PrintRows &rows) const
{
    QList<int> columns;
    for (int column = 0; column < model->columnCount(); ++column) {
        if (!ui.tblFrames->isColumnHidden(column))
            columns.append(column);
    }
    auto printer = std::make_unique<FramePrinter>(session->capture().get(), session->rows(),
                                                  rows, columns, session->fieldColumns());
    // The time as the table shows it.
    printer->setTimeColumn(&session->timeColumn());
    return printer;
}

void Framescope::showPrintDlg()
{
    // The printout shares the capture: whatever the window loads meanwhile, it reads on.
    const std::shared_ptr<const Capture> capture = session->capture();
    const FrameRows &shown = session->rows();
    QList<PrintRows::Run> selectedRuns;
    const QItemSelection selection = ui.tblFrames->selectionModel()->selection();
    for (const QItemSelectionRange &range : selection)
        selectedRuns.append({model->shownRow(range.top()), model->shownRow(range.bottom()) + 1});
    PrintFramesDlg choice(shown, PrintRows::runs(shown, selectedRuns), this);
    if (choice.exec() != QDialog::Accepted || session->capture() != capture)
        return;

    // Held for this call only, so no printer choice is remembered between prints.
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(FramePrinter::title());
    QPrintDialog dialog(&printer, this);
    // The rows chosen are those of the capture shown when the dialogs opened.
    if (dialog.exec() != QDialog::Accepted || session->capture() != capture)
        return;
    // A printout into a file is saved as every file is, once complete: the printer writes a
    // temporary copy, which a cancelled printout leaves behind without touching the file.
    const QString target = printer.outputFileName();
    QTemporaryFile printed(QDir::tempPath() + QStringLiteral("/framescope-XXXXXX.pdf"));
    if (!target.isEmpty()) {
        if (!printed.open()) {
            QMessageBox::warning(this, tr("Print"), tr("%1 cannot be written: %2")
                                                        .arg(printed.fileTemplate(),
                                                             printed.errorString()));
            return;
        }
        printer.setOutputFileName(printed.fileName());
    }

    const std::unique_ptr<FramePrinter> frames = framePrinter(choice.printRows());

    QProgressDialog progress(tr("Preparing the printout ..."), tr("Cancel"), 0, 0, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.show();
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    int done = 0;
    const auto proceed = [&] {
        if (sinceEvents.elapsed() >= EventsEveryMs) {
            if (progress.maximum() > 0)
                progress.setValue(done);
            QCoreApplication::processEvents();
            sinceEvents.restart();
        }
        return !progress.wasCanceled();
    };
    if (!frames->layOut(&printer, proceed))
        return;

    // The print dialog's page range counts pages of the printout.
    int first = 1;
    int last = frames->pageCount();
    if (printer.printRange() == QPrinter::PageRange) {
        first = qMax(first, printer.fromPage());
        last = qMin(last, printer.toPage());
    }
    // Copies the printing system does not make are printed here: the whole printout again
    // when collated, otherwise each page again.
    const int copies = printer.supportsMultipleCopies() ? 1 : qMax(1, printer.copyCount());
    const int printouts = printer.collateCopies() ? copies : 1;
    const int pageCopies = printer.collateCopies() ? 1 : copies;
    progress.setLabelText(
        tr("Printing pages %1 to %2 of %3 ...").arg(first).arg(last).arg(frames->pageCount()));
    progress.setRange(0, qMax(1, (last - first + 1) * copies));

    QPainter painter;
    bool cancelled = !proceed();
    for (int printout = 0; printout < printouts && !cancelled; ++printout) {
        for (int page = first; page <= last && !cancelled; ++page) {
            for (int copy = 0; copy < pageCopies && !cancelled; ++copy) {
                if (painter.isActive()) {
                    printer.newPage();
                } else if (!painter.begin(&printer)) {
                    // The printing system could not start; it has said why where it can.
                    return;
                }
                frames->paintPage(painter, page);
                ++done;
                cancelled = !proceed();
            }
        }
    }
    if (!painter.isActive())
        return;
    // A cancelled printout is thrown away where the printing system allows it.
    if (cancelled)
        printer.abort();
    const bool finished = painter.end();
    if (cancelled || target.isEmpty())
        return;
    QFile source(printed.fileName());
    OutputFile file(target);
    bool copied = finished && source.open(QIODevice::ReadOnly) && file.open();
    while (copied && !source.atEnd()) {
        const QByteArray bytes = source.read(qint64(1) << 20);
        copied = !bytes.isEmpty() && file.device().write(bytes) == bytes.size();
    }
    if (!copied || !file.commit()) {
        QMessageBox::warning(this, tr("Print"),
                             tr("%1 cannot be written: %2").arg(target, file.errorString()));
    }
}

} // namespace Korvex
