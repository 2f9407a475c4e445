#include "app/framescope.h"

#include "app/captureloader.h"
#include "colors/colordlg.h"
#include "files/capture.h"
#include "views/frametablemodel.h"
#include "views/frametext.h"

#include <QAction>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QSettings>
#include <QStyle>

namespace Korvex {

namespace {

QColor levelColor(LogLevel level)
{
    static const QColor colors[] = {Qt::white, Qt::darkYellow, Qt::red};
    return colors[int(level)];
}

// With word wrap off every row is one line high, so the height that resizing each row to its
// contents would give is the height of the first row; set once, it costs nothing per row.
void sizeRowsToContents(QTableView *table)
{
    QHeaderView *header = table->verticalHeader();
    if (header->count() == 0)
        return;
    const QAbstractItemView *view = table;
    const int height = qMax(view->sizeHintForRow(0), header->sectionSizeHint(0));
    header->setDefaultSectionSize(height);
}

} // namespace

void Framescope::loadFile(const QString &fileName)
{
    setWindowTitle(tr("Kestrant Framescope - %1").arg(fileName));
    auto loaded = std::make_unique<Capture>(fileName);
    const Capture *reading = loaded.get();
    CaptureLoader loader(
        [this](const QString &text, LogLevel level) { appendLog(text, levelColor(level)); },
        [this, reading](qint64 first, qint64 count) {
            for (qint64 n = first; n < first + count; ++n)
                appendLog(LogLines::frameLine(n + 1, reading->index().loggedPayloadBytes(n)),
                          Qt::white);
        });
    // A file that cannot be opened leaves the frames on display as they are.
    if (!loaded->open(loader))
        return;

    if (!progressDialog) {
        progressDialog = new QProgressDialog(tr("Loading file ..."), tr("Cancel"), 0, 100, this);
        progressDialog->setWindowModality(Qt::WindowModal);
        // The dialog lets the window process its events at each new value only once it
        // counts itself as shown; left to its own estimate it would wait up to four seconds
        // and the window would freeze through shorter loads.
        progressDialog->setMinimumDuration(0);
        progressDialog->setValue(0);
    }
    progressDialog->show();
    loader.setDialog(progressDialog);

    // The views let go of the frames on display: a repaint during the load shows an empty
    // table rather than frames that are about to go.
    showCapture(nullptr);
    logWriter.beginBatch();
    const Capture::Status status = loaded->read(loader);
    logWriter.endBatch();
    showCapture(std::move(loaded));
    loadMarks();
    if (status != Capture::Status::Aborted)
        progressDialog->setValue(89);
    progressDialog->setValue(90);

    settings->setValue(QStringLiteral("FileLoadPath"), QFileInfo(fileName).absolutePath());
    qsizetype position = -1;
    for (qsizetype i = 0; i < recentFiles->size() && position < 0; ++i) {
        if (recentFiles->at(i).toString() == fileName)
            position = i;
    }
    if (position < 0)
        recentFiles->prepend(fileName);
    else
        recentFiles->swapItemsAt(0, position);
    settings->setValue(QStringLiteral("RecentFiles"), *recentFiles);
    rebuildRecentFilesMenu();
    progressDialog->setValue(95);

    buildFramesScroller();
    progressDialog->setValue(100);
    progressDialog->hide();
}

void Framescope::showCapture(std::unique_ptr<Capture> loaded)
{
    // The model lets go of the old capture before it is deleted.
    model->setCapture(loaded.get());
    std::swap(capture, loaded);
    loaded.reset();
    marks.clear();
    updateShownLabel();
    if (!capture || capture->status() == Capture::Status::Aborted)
        return;
    capture->setLogListener([this](const QString &text, LogLevel level) {
        // Found while a view paints: the log takes the line once the paint is over.
        QMetaObject::invokeMethod(
            this, [this, text, level] { appendLog(text, levelColor(level)); },
            Qt::QueuedConnection);
    });

    for (int column = 0; column < 4; ++column)
        ui.tblFrames->resizeColumnToContents(column);
    // The table sizes a column to the rows it looks at, near the top; the last frame has the
    // longest time.
    if (model->rowCount() > 0) {
        const QString longest = FrameText::cell(capture->frame(capture->frameCount() - 1), 0,
                                                capture->protocolVersion());
        const int margin = 2 * ui.tblFrames->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
        const int width = ui.tblFrames->fontMetrics().horizontalAdvance(longest) + margin;
        if (ui.tblFrames->columnWidth(0) < width)
            ui.tblFrames->setColumnWidth(0, width);
    }
    sizeRowsToContents(ui.tblFrames);
    statusLabel->setText(tr("No frame selected"));
    // A new capture shows all its frames; the filter bar keeps its text for another Apply.
    ui.filterBar->setProtocolVersion(capture->protocolVersion());
    updateShownLabel();
    connect(ui.tblFrames->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &Framescope::selectFrame, Qt::UniqueConnection);
    if (model->rowCount() > 0)
        ui.tblFrames->setCurrentIndex(model->cellIndex(0, 0));
}

void Framescope::rebuildRecentFilesMenu()
{
    // The action that asked for a load may be the one being replaced: it goes once its
    // signal has returned.
    const QList<QAction *> old = ui.menuRecentFiles->actions();
    for (QAction *action : old) {
        ui.menuRecentFiles->removeAction(action);
        action->deleteLater();
    }
    for (const QVariant &entry : std::as_const(*recentFiles)) {
        QAction *action = ui.menuRecentFiles->addAction(entry.toString());
        action->setShortcut(QKeySequence());
        connect(action, &QAction::triggered, this, &Framescope::openRecentFile);
    }
}

} // namespace Korvex
