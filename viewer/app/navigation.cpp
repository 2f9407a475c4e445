// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "core/session/capturesession.h"
#include "viewer/dialogs/modaldialogs.h"

#include <QInputDialog>

namespace Korvex {

void Framescope::findFrame()
{
    if (ModalDialogs::raiseOpen(this))
        return;
    // Frame numbers, not rows: with a display filter the frame may not be shown, and then
    // the nearest shown frame is the one gone to. The spin box refuses a digit that would leave
    // its range without a word: the label says what it takes.
    const qint64 current = currentFrame();
    const qint64 frames = stripFrames();
    const QString label = frames > 0 ? tr("Go To Frame (%1 \u2013 %2):").arg(0).arg(frames - 1)
                                     : tr("Go To Frame (no frames):");
    auto *dialog = new QInputDialog(this);
    dialog->setWindowTitle(tr("Find Frame"));
    dialog->setLabelText(label);
    dialog->setDoubleDecimals(0);
    dialog->setDoubleRange(0, double(frames - 1));
    dialog->setDoubleValue(double(current));
    connect(dialog, &QInputDialog::doubleValueSelected, this,
            [this](double value) { goToFrame(qint64(value)); });
    ModalDialogs::open(dialog);
}

void Framescope::goFirstFrame()
{
    ui.tblFrames->goToShownRow(0);
}

void Framescope::goPrevFrame()
{
    const qint64 row = ui.tblFrames->currentShownRow() - 1;
    if (row >= 0)
        ui.tblFrames->goToShownRow(row);
}

void Framescope::goNextFrame()
{
    const qint64 row = ui.tblFrames->currentShownRow() + 1;
    if (row < shownFrames())
        ui.tblFrames->goToShownRow(row);
}

void Framescope::goLastFrame()
{
    ui.tblFrames->goToShownRow(shownFrames() - 1);
}

qint64 Framescope::shownFrames() const
{
    return session->rows().count();
}

void Framescope::followCurrentFrame()
{
    const qint64 row = session->rows().rowOf(session->currentFrame());
    // Already there: the row keeps the selection the user made around it.
    if (row == ui.tblFrames->currentShownRow())
        return;
    if (row >= 0)
        ui.tblFrames->goToShownRow(row);
    else
        ui.tblFrames->setCurrentIndex(QModelIndex());
}

} // namespace Korvex
