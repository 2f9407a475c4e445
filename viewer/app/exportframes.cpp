// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/taskprogress.h"
#include "core/files/capture.h"
#include "core/filters/framebitmap.h"
#include "core/session/capturesession.h"
#include "core/text/numbertext.h"
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
    // The dialog starts with the format and in the folder of the last export.
    const QString folder = settings->value(QStringLiteral("ExportFolder"),
                                           settings->value(QStringLiteral("FileLoadPath")))
                               .toString();
    ExportDlg dialog(this, stripFrames(), shownFrames(), marks.count(), qint64(selected.size()),
                     capture->protocolVersion(), capture->fileName(), folder);
    bool known = false;
    const int format = settings->value(QStringLiteral("ExportFormat")).toInt(&known);
    if (known && format >= int(FrameExporter::Format::Csv) && format <= int(FrameExporter::Format::Capture))
        dialog.setFormat(FrameExporter::Format(format));
    if (dialog.exec() != QDialog::Accepted || session->capture() != capture)
        return;
    settings->setValue(QStringLiteral("ExportFormat"), int(dialog.format()));
    settings->setValue(QStringLiteral("ExportFolder"), QFileInfo(dialog.fileName()).absolutePath());

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
                                         .arg(NumberText::grouped(frames.count()))
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
