// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/taskdialog.h"
#include "viewer/app/taskkinds.h"
#include "core/files/capture.h"
#include "core/filters/framefilter.h"
#include "core/filters/framesearch.h"
#include "core/session/capturesession.h"
#include "viewer/views/findbar.h"

#include <QStatusBar>

namespace Korvex {

namespace {

constexpr int NoteMs = 10000;

} // namespace

void Framescope::showFind()
{
    ui.findBar->activate();
}

void Framescope::findNext()
{
    if (ui.findBar->text().isEmpty())
        showFind();
    else
        runFind(true);
}

void Framescope::findPrevious()
{
    if (ui.findBar->text().isEmpty())
        showFind();
    else
        runFind(false);
}

void Framescope::runFind(bool forward)
{
    // The search shares the capture and looks at the rows shown as it starts.
    const std::shared_ptr<const Capture> capture = session->capture();
    const FrameRows rows = session->rows();
    if (!capture)
        return;
    FilterError error;
    const FilterExpression expression = ui.findBar->expression(&error);
    if (!error.isError())
        error = expression.checkFor(capture->protocolVersion());
    ui.findBar->showError(error);
    if (error.isError()) {
        statusBar()->showMessage(tr("Cannot search. %1").arg(error.message()), NoteMs);
        return;
    }
    const qint64 from = currentFrame();
    TaskDialog::run<FrameSearch::Result>(
        session->tasks(), TaskKinds::Find, this, tr("Searching frames ..."), taskDialogDelayMs,
        [capture, expression, rows, from, forward](const WorkProgress &progress) {
            return FrameSearch::find(*capture, expression, rows, from,
                                     forward ? FrameSearch::Direction::Forward
                                             : FrameSearch::Direction::Backward,
                                     progress);
        },
        std::function<void(FrameSearch::Result)>(
            [this, capture, expression, rows, forward, filter = session->filterText(),
             readSoFar = session->passNote()](const FrameSearch::Result &result) {
                // Rows that only grew since, as frames joined under the same filter, still
                // show what was found.
                if (session->capture() != capture || session->filterText() != filter
                    || session->rows().total() < rows.total())
                    return;
                showFound(result, capture, expression, session->rows(), forward);
                if (!result.cancelled && !readSoFar.isEmpty())
                    statusBar()->showMessage(statusBar()->currentMessage() + QLatin1Char(' ')
                                                 + readSoFar,
                                             NoteMs);
            }),
        taskHook);
}

void Framescope::showFound(const FrameSearch::Result &result,
                           const std::shared_ptr<const Capture> &capture,
                           const FilterExpression &expression, const FrameRows &rows, bool forward)
{
    if (result.cancelled) {
        statusBar()->showMessage(tr("Search cancelled."), NoteMs);
        return;
    }
    // What was found belongs to the rows searched; the session may show others by now.
    if (session->rows().bitmap() != rows.bitmap() || session->capture() != capture)
        return;
    // Frames gone from the file were passed over: the note says how many.
    const QString missing =
        result.missing > 0 ? QLatin1Char(' ') + FrameFilter::missingNote(result.missing) : QString();
    if (result.frame < 0) {
        statusBar()->showMessage(tr("No shown frame matches.") + missing, NoteMs);
        return;
    }
    // The row comes to the middle of the table, and the bytes found stand out in its dump.
    foundFrame = result.frame;
    foundBytes = expression.payloadMatches(capture->frame(result.frame).payload());
    ui.tblFrames->centreOnShownRow(rows.rowOf(result.frame));
    showCurrentFrame();
    QString note = tr("Frame %1 found.").arg(result.frame);
    if (result.wrapped) {
        note = forward ? tr("Frame %1 found; the search reached the last frame and went on from the first.")
                             .arg(result.frame)
                       : tr("Frame %1 found; the search reached the first frame and went on from the last.")
                             .arg(result.frame);
    }
    statusBar()->showMessage(note + missing, NoteMs);
}

} // namespace Korvex
