// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/taskdialog.h"
#include "viewer/app/taskkinds.h"
#include "core/fields/fielddefinitions.h"
#include "core/files/capture.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framebitmap.h"
#include "core/filters/framefilter.h"
#include "core/session/capturesession.h"
#include "core/text/numbertext.h"
#include "viewer/views/filterbar.h"
#include "viewer/views/frametablemodel.h"

#include <QLabel>
#include <QStatusBar>

#include <algorithm>

namespace Korvex {

namespace {

// How long a note stays in the status bar.
constexpr int NoteMs = 10000;

} // namespace

void Framescope::applyFilter(const QString &text)
{
    if (text.trimmed().isEmpty()) {
        clearFilter();
        return;
    }
    // The pass shares the capture: whatever happens to the session meanwhile, it reads on.
    const std::shared_ptr<const Capture> capture = session->capture();
    FilterError error;
    const FilterExpression expression =
        FilterExpression::parse(text, &error, session->fieldDefinitions());
    if (!error.isError() && capture)
        error = expression.checkFor(capture->protocolVersion());
    if (error.isError()) {
        // Nothing changes in the view; the bar shows where the mistake is.
        ui.filterBar->showError(error);
        statusBar()->showMessage(tr("Filter not applied. %1").arg(error.message()), NoteMs);
        return;
    }
    ui.filterBar->remember(text.trimmed());
    if (!capture)
        return;
    struct Filtered
    {
        std::shared_ptr<FrameBitmap> shown;
        qint64 missing = 0;
    };
    // The pass runs on a worker with its own share of the capture; a capture loaded meanwhile
    // keeps its own rows.
    // Over the frames on display: frames that join meanwhile are filtered as they join.
    const qint64 frames = session->frameCount();
    TaskDialog::run<Filtered>(
        session->tasks(), TaskKinds::Filter, this, tr("Filtering frames ..."), taskDialogDelayMs,
        [capture, expression, frames](const WorkProgress &progress) {
            Filtered filtered;
            filtered.shown = FrameFilter(*capture, expression)
                                 .matchingFrames(progress, &filtered.missing, frames);
            return filtered;
        },
        std::function<void(Filtered)>([this, capture, text = text.trimmed()](Filtered filtered) {
            if (!filtered.shown) {
                statusBar()->showMessage(tr("Filter cancelled; the frames shown are as before."),
                                         NoteMs);
                return;
            }
            if (session->capture() != capture)
                return;
            session->setRows(FrameRows(std::move(filtered.shown)), text);
            if (filtered.missing > 0)
                statusBar()->showMessage(FrameFilter::missingNote(filtered.missing), NoteMs);
        }),
        taskHook);
}

void Framescope::clearFilter()
{
    session->clearFilter();
}

void Framescope::rowsChanged()
{
    followCurrentFrame();
    ui.filterBar->setApplied(session->filterText());
    // "Delta to the previous displayed frame" counts from other frames now.
    showCurrentTime();
    updateShownLabel();
    buildFramesScroller();
}

void Framescope::updateShownLabel()
{
    const std::shared_ptr<const Capture> &capture = session->capture();
    const bool loaded = capture && capture->status() != Capture::Status::Aborted;
    shownLabel->setVisible(loaded);
    shownLabel->setText(tr("Shown: %1 of %2 frames")
                            .arg(NumberText::grouped(shownFrames()), NumberText::grouped(stripFrames())));
}

qint64 Framescope::stripFrames() const
{
    return session->rows().total();
}

qint64 Framescope::currentFrame() const
{
    return session->currentFrame();
}

std::vector<qint64> Framescope::selectedFrames() const
{
    std::vector<qint64> frames;
    if (!ui.tblFrames->selectionModel())
        return frames;
    const QModelIndexList rows = ui.tblFrames->selectionModel()->selectedRows();
    frames.reserve(std::size_t(rows.size()));
    for (const QModelIndex &row : rows) {
        const qint64 frame = model->frameAt(row.row());
        if (frame >= 0)
            frames.push_back(frame);
    }
    std::sort(frames.begin(), frames.end());
    return frames;
}

void Framescope::goToFrame(qint64 frame)
{
    const FrameRows &rows = session->rows();
    if (rows.total() == 0)
        return;
    const qint64 row = rows.rowOf(frame);
    if (row >= 0) {
        ui.tblFrames->goToShownRow(row);
        return;
    }
    const qint64 nearest = rows.nearestRow(frame);
    if (nearest < 0) {
        statusBar()->showMessage(tr("Frame %1 is not shown, and neither is any other.").arg(frame),
                                 NoteMs);
        return;
    }
    ui.tblFrames->goToShownRow(nearest);
    statusBar()->showMessage(tr("Frame %1 is not shown; went to frame %2, the nearest shown frame.")
                                 .arg(frame)
                                 .arg(rows.frameAt(nearest)),
                             NoteMs);
}

} // namespace Korvex

