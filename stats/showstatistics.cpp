#include "app/framescope.h"

#include "colors/colordlg.h"
#include "stats/chartswindow.h"
#include "stats/statisticswindow.h"
#include "views/frametablemodel.h"

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
        statisticsWindow = new StatisticsWindow(this);
        connect(statisticsWindow, &StatisticsWindow::goToFrame, this, &Framescope::goToFrame);
        statisticsWindow->setSource(capture.get(), model->rows());
    }
    bringUp(statisticsWindow);
}

void Framescope::showCharts()
{
    if (!chartsWindow) {
        chartsWindow = new ChartsWindow(&colorDlg->scheme(), this);
        connect(chartsWindow, &ChartsWindow::goToFrame, this, &Framescope::goToFrame);
        chartsWindow->setSource(capture.get(), model->rows());
    }
    bringUp(chartsWindow);
}

void Framescope::setStatisticsSource()
{
    if (statisticsWindow)
        statisticsWindow->setSource(capture.get(), model->rows());
    if (chartsWindow)
        chartsWindow->setSource(capture.get(), model->rows());
}

void Framescope::goToFrame(qint64 frame)
{
    const qint64 row = model->rows().rowOf(frame);
    if (row < 0) {
        statusBar()->showMessage(tr("Frame %1 is not displayed.").arg(frame), 5000);
        return;
    }
    ui.tblFrames->goToShownRow(row);
    activateWindow();
}

} // namespace Korvex
