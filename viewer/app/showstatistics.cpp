// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/windowfit.h"
#include "viewer/colors/colordlg.h"
#include "viewer/stats/chartswindow.h"
#include "viewer/stats/statisticswindow.h"

namespace Korvex {

namespace {

void bringUp(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

void Framescope::showStatistics()
{
    if (!statisticsWindow) {
        statisticsWindow = new StatisticsWindow(*session, this);
        connect(statisticsWindow, &StatisticsWindow::goToFrame, this, &Framescope::showFrameOf);
        placeOver(statisticsWindow, this);
    }
    bringUp(statisticsWindow);
}

void Framescope::showCharts()
{
    if (!chartsWindow) {
        chartsWindow = new ChartsWindow(*session, &colorDlg->scheme(), this);
        connect(chartsWindow, &ChartsWindow::goToFrame, this, &Framescope::showFrameOf);
        placeOver(chartsWindow, this);
    }
    bringUp(chartsWindow);
}

void Framescope::showFrameOf(qint64 frame)
{
    // Asked for from a statistics or chart window: the table's window comes to the front.
    goToFrame(frame);
    activateWindow();
}

} // namespace Korvex
