#include "app/framescope.h"

#include "views/frametablemodel.h"

#include <QInputDialog>
#include <QTableView>

namespace Korvex {

namespace {

// Makes column 0 of the row current; its current-index change redraws the detail panel and
// scrolls the tracker along. A row the table does not have is refused here: the view itself
// would take a made-up index of an empty list as its current one.
void makeCurrent(QTableView *table, const FrameTableModel *model, int row)
{
    if (row >= 0 && row < model->rowCount())
        table->setCurrentIndex(model->cellIndex(row, 0));
}

} // namespace

void Framescope::findFrame()
{
    const int current = ui.tblFrames->currentIndex().row();
    const int rows = model->rowCount();
    // The spin box refuses a digit that would leave its range without a word: the label says
    // what it takes.
    const QString label = rows > 0 ? tr("Go To Frame (%1 \u2013 %2):").arg(0).arg(rows - 1)
                                   : tr("Go To Frame (no frames):");
    bool ok = false;
    const double value = QInputDialog::getDouble(this, tr("Find Frame"), label, current, 0,
                                                 rows - 1, 0, &ok);
    if (!ok)
        return;
    makeCurrent(ui.tblFrames, model, int(value));
}

void Framescope::goFirstFrame()
{
    makeCurrent(ui.tblFrames, model, 0);
}

void Framescope::goPrevFrame()
{
    const int row = ui.tblFrames->currentIndex().row() - 1;
    if (row >= 0)
        makeCurrent(ui.tblFrames, model, row);
}

void Framescope::goNextFrame()
{
    const int row = ui.tblFrames->currentIndex().row() + 1;
    if (row < model->rowCount())
        makeCurrent(ui.tblFrames, model, row);
}

void Framescope::goLastFrame()
{
    makeCurrent(ui.tblFrames, model, model->rowCount() - 1);
}

} // namespace Korvex
