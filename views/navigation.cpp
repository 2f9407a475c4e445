#include "app/framescope.h"

#include "views/frametablemodel.h"

#include <QInputDialog>

namespace Korvex {

void Framescope::findFrame()
{
    // Frame numbers, not rows: with a display filter the frame may not be shown, and then
    // the nearest shown frame is the one gone to.
    const qint64 current = currentFrame();
    const qint64 frames = stripFrames();
    bool ok = false;
    const double value = QInputDialog::getDouble(this, tr("Find Frame"), tr("Go To Frame:"),
                                                 double(current), 0, double(frames - 1), 0, &ok);
    if (!ok)
        return;
    goToFrame(qint64(value));
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
    return model->rows().count();
}

} // namespace Korvex
