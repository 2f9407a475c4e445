// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/windowfit.h"
#include "viewer/colors/colordlg.h"
#include "viewer/dialogs/modaldialogs.h"

namespace Korvex {

void Framescope::showColorDlg()
{
    if (ModalDialogs::raiseOpen(this))
        return;
    // The dialog has no parent window to be centred on: it is put over this one. It is kept
    // between openings, so it blocks the whole application rather than being deleted.
    placeOver(colorDlg, this);
    connect(
        colorDlg, &QDialog::finished, this,
        [this](int result) {
            if (result == QDialog::Accepted) {
                colorDlg->saveAllColors();
                // The table asks for its colours at every paint; the scroller's bars are
                // drawn once.
                buildFramesScroller();
            } else {
                // Cancel, Esc or closing the window drops every change since the last save.
                colorDlg->reloadColors();
            }
        },
        Qt::SingleShotConnection);
    colorDlg->setWindowModality(Qt::ApplicationModal);
    colorDlg->setResult(0);
    colorDlg->show();
}

} // namespace Korvex
