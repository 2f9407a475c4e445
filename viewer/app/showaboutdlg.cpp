// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/about/aboutdlg.h"

namespace Korvex {

void Framescope::showAboutDlg()
{
    // A fresh dialog each time, so nothing carries over from one opening to the next.
    AboutDlg dialog;
    dialog.exec();
}

} // namespace Korvex
