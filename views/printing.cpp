#include "app/framescope.h"

#include "views/printhtml.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

namespace Korvex {

void Framescope::showPrintDlg()
{
    // Held for this call only, so no printer choice is remembered between prints.
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;

    const QString html = printHtml(*ui.tblFrames->model(), [this](int column) {
        return ui.tblFrames->isColumnHidden(column);
    });
    QTextDocument document;
    document.setHtml(html);
    document.print(&printer);
}

} // namespace Korvex
