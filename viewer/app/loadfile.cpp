#include "viewer/app/framescope.h"

#include "viewer/app/captureloader.h"
#include "viewer/views/logmodel.h"
#include "viewer/colors/colordlg.h"
#include "core/files/capture.h"
#include "viewer/views/frametablemodel.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QSettings>

namespace Korvex {

namespace {

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
    auto loaded = std::make_unique<Capture>(fileName);
    // The frames' lines refer to the index, which the log keeps as long as it shows them.
    CaptureLoader loader(
        [this](const QString &text, LogLevel level) { appendLog(text, LogModel::color(level)); },
        [this, index = loaded->sharedIndex()](qint64 first, qint64 count) {
            appendFrameLines(index, first, count);
        });
    // A file that cannot be opened leaves the frames on display as they are, and the title
    // that names them.
    if (!loaded->open(loader))
        return;
    setWindowTitle(tr("Kestrant Framescope - %1").arg(fileName));

    if (!progressDialog) {
        progressDialog = new QProgressDialog(tr("Loading file ..."), tr("Cancel"), 0, 100, this);
        progressDialog->setWindowTitle(tr("Framescope"));
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
    const Capture::Status status = loaded->read(loader);
    showCapture(std::move(loaded));
    loadMarks();
    if (status != Capture::Status::Aborted)
        progressDialog->setValue(89);
    progressDialog->setValue(90);

    // The recent files name a file by its absolute, clean path: a relative name would mean
    // another file, or none, in a run of the program started elsewhere, and two spellings are
    // one file.
    const QString path = QDir::cleanPath(QFileInfo(fileName).absoluteFilePath());
    settings->setValue(QStringLiteral("FileLoadPath"), QFileInfo(path).absolutePath());
    qsizetype position = -1;
    for (qsizetype i = 0; i < recentFiles->size() && position < 0; ++i) {
        if (recentFiles->at(i).toString() == path)
            position = i;
    }
    if (position < 0)
        recentFiles->prepend(path);
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
    // The model and the statistics let go of the old capture before it is deleted.
    model->setCapture(loaded.get());
    std::swap(capture, loaded);
    setStatisticsSource();
    loaded.reset();
    ui.lblTime->clear();
    marks.clear();
    updateShownLabel();
    if (!capture || capture->status() == Capture::Status::Aborted)
        return;
    capture->setLogListener([this](const QString &text, LogLevel level) {
        // Found while a view paints: the log takes the line once the paint is over, and the
        // table shows anew what is left of the frames.
        QMetaObject::invokeMethod(
            this,
            [this, text, level] {
                appendLog(text, LogModel::color(level));
                ui.tblFrames->viewport()->update();
            },
            Qt::QueuedConnection);
    });

    for (int column = 0; column < 4; ++column)
        ui.tblFrames->resizeColumnToContents(column);
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

void Framescope::reloadFile()
{
    if (capture)
        loadFile(capture->fileName());
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
