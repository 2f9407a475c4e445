#include "viewer/app/framescope.h"

#include "viewer/views/frametablemodel.h"

namespace Korvex {

void Framescope::setColorMode()
{
    // The table shows either the channel colours or plain alternating rows, never both.
    const bool plain = ui.actionDisable_Colors->isChecked();
    ui.tblFrames->setAlternatingRowColors(plain);
    model->colorsEnabled = !plain;
    model->resetModel();
}

} // namespace Korvex
