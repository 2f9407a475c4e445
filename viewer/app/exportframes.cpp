// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/taskdialog.h"
#include "viewer/app/taskkinds.h"
#include "core/files/capture.h"
#include "core/filters/framebitmap.h"
#include "core/session/capturesession.h"
#include "core/text/numbertext.h"
#include "viewer/views/exportdlg.h"
#include "viewer/dialogs/modaldialogs.h"

#include <QFileInfo>
#include <QSettings>
#include <QStatusBar>

namespace Korvex {

void Framescope::exportFrames()
{
    // The export shares the capture and writes the frames chosen as the dialog closes.
    const std::shared_ptr<const Capture> capture = session->capture();
    if (!capture || stripFrames() == 0 || ModalDialogs::raiseOpen(this))
        return;
    const std::vector<qint64> selected = selectedFrames();
    // The dialog starts with the format and in the folder of the last export.
    const QString folder = settings->value(QStringLiteral("ExportFolder"),
                                           settings->value(QStringLiteral("FileLoadPath")))
                               .toString();
    auto *dialog = new ExportDlg(this, stripFrames(), shownFrames(), session->marks().count(),
                                 qint64(selected.size()), capture->protocolVersion(),
                                 capture->fileName(), folder);
    bool known = false;
    const int format = settings->value(QStringLiteral("ExportFormat")).toInt(&known);
    if (known && format >= int(FrameExporter::Format::Csv) && format <= int(FrameExporter::Format::Capture))
        dialog->setFormat(FrameExporter::Format(format));
    // A capture loaded while the dialog is open ends the export: the frames were chosen
    // among those of the capture it opened on.
    connect(dialog, &QDialog::accepted, this, [this, dialog, capture, selected] {
        if (session->capture() != capture)
            return;
        settings->setValue(QStringLiteral("ExportFormat"), int(dialog->format()));
        settings->setValue(QStringLiteral("ExportFolder"),
                           QFileInfo(dialog->fileName()).absolutePath());

        // The frames are chosen and written on a worker, from copies of what they are chosen
        // from; a cancelled export leaves no file and never harms one that was there.
        struct Exported
        {
            FrameExporter::Result result = FrameExporter::Result::Failed;
            qint64 count = 0;
            qint64 missing = 0;
            QString error;
        };
        const ExportDlg::Which which = dialog->which();
        const FrameRows shown = session->rows();
        const FieldColumns fields = session->fieldColumns();
        const FrameExporter::Format exportFormat = dialog->format();
        const QString fileName = dialog->fileName();
        const qint64 first = dialog->rangeFirst();
        const qint64 last = dialog->rangeLast();
        std::vector<qint64> chosen;
        if (which == ExportDlg::Marked) {
            for (const auto &mark : session->marks().all())
                chosen.push_back(mark.first);
        } else if (which == ExportDlg::Selected) {
            chosen = selected;
        }
        TaskDialog::run<Exported>(
            session->tasks(), TaskKinds::Export, this, tr("Exporting frames ..."),
            taskDialogDelayMs,
            [=](const WorkProgress &progress) {
                FrameRows frames(shown.total());
                if (which == ExportDlg::Shown) {
                    frames = shown;
                } else if (which != ExportDlg::All) {
                    auto bits = std::make_shared<FrameBitmap>(shown.total());
                    for (qint64 frame : chosen)
                        bits->set(frame);
                    for (qint64 frame = first; which == ExportDlg::Range && frame <= last; ++frame)
                        bits->set(frame);
                    bits->finish();
                    frames = FrameRows(std::move(bits));
                }
                Exported exported;
                exported.count = frames.count();
                exported.result = FrameExporter::write(*capture, frames, exportFormat, fileName,
                                                       progress, &exported.error, &exported.missing,
                                                       fields);
                return exported;
            },
            std::function<void(Exported)>([this, fileName](const Exported &exported) {
                exportDone(exported.result, exported.count, exported.missing, fileName,
                           exported.error);
            }),
            taskHook);
    });
    ModalDialogs::open(dialog);
}

void Framescope::exportDone(FrameExporter::Result result, qint64 count, qint64 missing,
                            const QString &fileName, const QString &error)
{
    switch (result) {
    case FrameExporter::Result::Written:
        statusBar()->showMessage(tr("%1 frames exported to %2.")
                                         .arg(NumberText::grouped(count))
                                         .arg(QFileInfo(fileName).fileName())
                                     + (missing > 0 ? QLatin1Char(' ') + FrameExporter::missingNote(missing)
                                                    : QString()),
                                 10000);
        break;
    case FrameExporter::Result::Cancelled:
        statusBar()->showMessage(tr("Export cancelled; no file was written."), 10000);
        break;
    case FrameExporter::Result::Failed:
        ModalDialogs::message(this, QMessageBox::Warning, tr("Export Frames"),
                              tr("The frames could not be exported. %1").arg(error));
        break;
    }
}

} // namespace Korvex
