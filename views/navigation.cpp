#include "app/framescope.h"

#include "views/frametablemodel.h"

#include <QInputDialog>

namespace Korvex {

void Framescope::findFrame()
{
    const qint64 current = ui.tblFrames->currentShownRow();
    const qint64 rows = shownFrames();
    bool ok = false;
    const double value = QInputDialog::getDouble(this, tr("Find Frame"), tr("Go To Frame:"),
                                                 double(current), 0, double(rows - 1), 0, &ok);
    if (!ok)
        return;
    ui.tblFrames->goToShownRow(model->rows().rowOf(qint64(value)));
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
