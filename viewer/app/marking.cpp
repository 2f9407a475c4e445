// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "core/session/capturesession.h"
#include "viewer/dialogs/modaldialogs.h"

#include <QInputDialog>
#include <QStatusBar>

#include <algorithm>

namespace Korvex {

namespace {

constexpr int NoteMs = 10000;

} // namespace

void Framescope::toggleMarks()
{
    std::vector<qint64> frames = selectedFrames();
    if (frames.empty() && currentFrame() >= 0)
        frames.push_back(currentFrame());
    session->toggleMarks(frames);
}

void Framescope::editMarkNote()
{
    const qint64 frame = currentFrame();
    if (frame < 0 || ModalDialogs::raiseOpen(this))
        return;
    auto *dialog = new QInputDialog(this);
    dialog->setWindowTitle(tr("Mark Note"));
    dialog->setLabelText(tr("Note for frame %1:").arg(frame));
    dialog->setTextValue(session->marks().note(frame));
    dialog->setTextEchoMode(QLineEdit::Normal);
    // The note belongs to the frame it was asked for, and to the capture then shown.
    const std::shared_ptr<const Capture> capture = session->capture();
    connect(dialog, &QInputDialog::textValueSelected, this,
            [this, frame, capture](const QString &note) {
                if (session->capture() == capture)
                    session->setMarkNote(frame, note);
            });
    ModalDialogs::open(dialog);
}

void Framescope::goNextMark()
{
    const FrameRows &rows = session->rows();
    const FrameMarks &marks = session->marks();
    qint64 frame = marks.next(currentFrame());
    while (frame >= 0 && !rows.isShown(frame))
        frame = marks.next(frame);
    if (frame < 0) {
        statusBar()->showMessage(tr("No marked frame is shown after this one."), NoteMs);
        return;
    }
    // A note that there was none, from a move before, is no longer true.
    statusBar()->clearMessage();
    ui.tblFrames->goToShownRow(rows.rowOf(frame));
}

void Framescope::goPrevMark()
{
    const FrameRows &rows = session->rows();
    const FrameMarks &marks = session->marks();
    const qint64 current = currentFrame();
    qint64 frame = marks.previous(current < 0 ? stripFrames() : current);
    while (frame >= 0 && !rows.isShown(frame))
        frame = marks.previous(frame);
    if (frame < 0) {
        statusBar()->showMessage(tr("No marked frame is shown before this one."), NoteMs);
        return;
    }
    statusBar()->clearMessage();
    ui.tblFrames->goToShownRow(rows.rowOf(frame));
}

void Framescope::unmarkAll()
{
    const FrameMarks &marks = session->marks();
    if (marks.isEmpty())
        return;
    // Notes are the user's writing: they do not go without a word.
    const auto notes = std::count_if(marks.all().cbegin(), marks.all().cend(),
                                     [](const auto &mark) { return !mark.second.isEmpty(); });
    if (notes == 0) {
        session->unmarkAll();
        return;
    }
    if (ModalDialogs::raiseOpen(this))
        return;
    // The marks asked about are those of the capture shown when the question was put.
    const std::shared_ptr<const Capture> capture = session->capture();
    ModalDialogs::ask(this, tr("Unmark All"),
                      tr("Remove %1 marks and %2 notes?").arg(marks.count()).arg(notes),
                      [this, capture] {
                          if (session->capture() == capture)
                              session->unmarkAll();
                      });
}

} // namespace Korvex
