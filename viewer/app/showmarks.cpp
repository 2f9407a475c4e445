// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/windowfit.h"
#include "viewer/views/marksdlg.h"

namespace Korvex {

void Framescope::showMarks()
{
    if (!marksDlg) {
        marksDlg = new MarksDlg(*session, this);
        connect(marksDlg, &MarksDlg::goToFrame, this, &Framescope::showFrameOf);
        placeOver(marksDlg, this);
    }
    marksDlg->show();
    marksDlg->raise();
    marksDlg->activateWindow();
}

} // namespace Korvex
