// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/printjob.h"
#include "core/session/capturesession.h"
#include "viewer/views/frameprinter.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/printframesdlg.h"
#include "viewer/dialogs/modaldialogs.h"

#include <QDir>
#include <QItemSelectionModel>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryFile>

namespace Korvex {

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
    if (ModalDialogs::raiseOpen(this))
        return;
    // The printout shares the capture: whatever the window loads meanwhile, it reads on. The
    // rows chosen are those of the capture shown when the dialogs opened: a capture loaded
    // while one of them is open ends the printout.
    const std::shared_ptr<const Capture> capture = session->capture();
    auto print = [this, capture](const std::shared_ptr<QPrinter> &printer, const PrintRows &rows) {
        if (session->capture() != capture)
            return;
        // A printout into a file is saved as every file is, once complete: the printer writes
        // a temporary copy, which a cancelled printout leaves behind without touching the file.
        const QString target = printer->outputFileName();
        auto printed = std::make_unique<QTemporaryFile>(QDir::tempPath()
                                                        + QStringLiteral("/framescope-XXXXXX.pdf"));
        if (!target.isEmpty()) {
            if (!printed->open()) {
                ModalDialogs::message(this, QMessageBox::Warning, tr("Print"),
                                      tr("%1 cannot be written: %2")
                                          .arg(printed->fileTemplate(), printed->errorString()));
                return;
            }
            printer->setOutputFileName(printed->fileName());
        }
        // A printout still on its way is replaced by the new one.
        delete printJob;
        printJob = new PrintJob(this, capture, printer,
                                std::shared_ptr<FramePrinter>(framePrinter(rows)),
                                session->timeColumn(), target, std::move(printed));
        printJob->start(session->tasks(), taskDialogDelayMs, taskHook);
    };

    const FrameRows &shown = session->rows();
    QList<PrintRows::Run> selectedRuns;
    const QItemSelection selection = ui.tblFrames->selectionModel()->selection();
    for (const QItemSelectionRange &range : selection)
        selectedRuns.append({model->shownRow(range.top()), model->shownRow(range.bottom()) + 1});
    auto *choice = new PrintFramesDlg(shown, PrintRows::runs(shown, selectedRuns), this);
    connect(choice, &QDialog::accepted, this, [this, choice, capture, print] {
        if (session->capture() != capture)
            return;
        // Held for this printout only, so no printer choice is remembered between prints.
        auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
        printer->setDocName(FramePrinter::title());
        auto *dialog = new QPrintDialog(printer.get(), this);
        connect(dialog, &QDialog::accepted, this,
                [print, printer, rows = choice->printRows()] { print(printer, rows); });
        ModalDialogs::open(dialog);
    });
    ModalDialogs::open(choice);
}

} // namespace Korvex
