// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/about/aboutdlg.h"
#include "viewer/dialogs/modaldialogs.h"

namespace Korvex {

void Framescope::showAboutDlg()
{
    // A fresh dialog each time, so nothing carries over from one opening to the next. It has
    // no parent window and blocks the whole application while open.
    if (!ModalDialogs::raiseOpen(this))
        ModalDialogs::open(new AboutDlg);
}

} // namespace Korvex
