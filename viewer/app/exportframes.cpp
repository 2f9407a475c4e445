#include "viewer/app/framescope.h"

#include "viewer/app/taskprogress.h"
#include "core/files/capture.h"
#include "core/filters/framebitmap.h"
#include "core/session/capturesession.h"
#include "viewer/views/exportdlg.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>

namespace Korvex {

void Framescope::exportFrames()
{
    // The export shares the capture and writes the frames chosen as the dialog closes.
    const std::shared_ptr<const Capture> capture = session->capture();
    if (!capture || stripFrames() == 0)
        return;
    const std::vector<qint64> selected = selectedFrames();
    const FrameMarks &marks = session->marks();
    ExportDlg dialog(this, stripFrames(), shownFrames(), marks.count(), qint64(selected.size()),
                     capture->protocolVersion(), capture->fileName(),
                     settings->value(QStringLiteral("FileLoadPath")).toString());
    if (dialog.exec() != QDialog::Accepted || session->capture() != capture)
        return;

    FrameRows frames(stripFrames());
    if (dialog.which() == ExportDlg::Shown) {
        frames = session->rows();
    } else if (dialog.which() != ExportDlg::All) {
        auto bits = std::make_shared<FrameBitmap>(stripFrames());
        if (dialog.which() == ExportDlg::Marked) {
            for (const auto &mark : marks.all())
                bits->set(mark.first);
        } else if (dialog.which() == ExportDlg::Selected) {
            for (qint64 frame : selected)
                bits->set(frame);
        } else {
            for (qint64 frame = dialog.rangeFirst(); frame <= dialog.rangeLast(); ++frame)
                bits->set(frame);
        }
        bits->finish();
        frames = FrameRows(std::move(bits));
    }

    QString error;
    FrameExporter::Result result;
    qint64 missing = 0;
    {
        TaskProgress progress(this, tr("Exporting frames ..."), taskDialogDelayMs);
        result = FrameExporter::write(*capture, frames, dialog.format(), dialog.fileName(),
                                      progress.callback(), &error, &missing,
                                      session->fieldColumns());
    }
    switch (result) {
    case FrameExporter::Result::Written:
        statusBar()->showMessage(tr("%1 frames exported to %2.")
                                         .arg(frames.count())
                                         .arg(QFileInfo(dialog.fileName()).fileName())
                                     + (missing > 0 ? QLatin1Char(' ') + FrameExporter::missingNote(missing)
                                                    : QString()),
                                 10000);
        break;
    case FrameExporter::Result::Cancelled:
        statusBar()->showMessage(tr("Export cancelled; no file was written."), 10000);
        break;
    case FrameExporter::Result::Failed:
        QMessageBox::warning(this, tr("Export Frames"),
                             tr("The frames could not be exported. %1").arg(error));
        break;
    }
}

} // namespace Korvex
