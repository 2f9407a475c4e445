// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "core/session/capturesession.h"
#include "viewer/views/frametablemodel.h"

namespace Korvex {

void Framescope::setColorMode()
{
    // The table shows either the channel colours or plain alternating rows, never both.
    const bool plain = ui.actionDisable_Colors->isChecked();
    ui.tblFrames->setAlternatingRowColors(plain);
    model->colorsEnabled = !plain;
    // The reset drops the table's current row without a word; the session lets go of it too,
    // so that the detail panel shows no frame.
    model->resetModel();
    session->setCurrentFrame(-1);
}

} // namespace Korvex
