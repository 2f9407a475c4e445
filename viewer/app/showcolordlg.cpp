// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/windowfit.h"
#include "viewer/colors/colordlg.h"

namespace Korvex {

void Framescope::showColorDlg()
{
    // The dialog has no parent window to be centred on: it is put over this one.
    placeOver(colorDlg, this);
    if (colorDlg->exec() == QDialog::Accepted) {
        colorDlg->saveAllColors();
        // The table asks for its colours at every paint; the scroller's bars are drawn once.
        buildFramesScroller();
    } else {
        // Cancel, Esc or closing the window drops every change since the last save.
        colorDlg->reloadColors();
    }
}

} // namespace Korvex
