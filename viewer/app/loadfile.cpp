// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/captureloader.h"
#include "core/files/capture.h"
#include "core/session/capturesession.h"
#include "viewer/views/filterbar.h"

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

#include <utility>

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
    auto loaded = std::make_shared<Capture>(fileName);
    // The log panel shows the capture's own log as it grows; it keeps the log as long as it
    // shows its lines, the capture or not.
    CaptureLoader loader([this, log = loaded->sharedLog()] { followLog(log); });
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
    session->setCapture(nullptr);
    const Capture::Status status = loaded->read(loader);
    // A frame found missing later adds a line to the capture's log, which the log panel
    // shows once the paint that found it is over; the user stays on the tab in use (the last
    // frame of a capture cut short since, say).
    loaded->setLogListener([this, log = loaded->sharedLog()](const QString &line, LogLevel) {
        QMetaObject::invokeMethod(
            this,
            [this, log, line] {
                followLateLog(log, line);
                // The table shows anew what is left of the frames.
                ui.tblFrames->viewport()->update();
            },
            Qt::QueuedConnection);
    });
    session->setCapture(loaded);
    if (status != Capture::Status::Aborted)
        readCaptureDefinitions(fileName);
    if (status != Capture::Status::Aborted && loaded->frameCount() > 0)
        session->setCurrentFrame(0);
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
    progressDialog->setValue(100);
    progressDialog->hide();
    // Without every line on the Log, a load that went well ends on its frames.
    if (!ui.actionShowLogOnEveryLine->isChecked() && loaded->sharedLog()->problems() == 0)
        ui.tabs->setCurrentIndex(0);
    if (ui.tabs->currentIndex() == 0)
        framesTabShown();
}

void Framescope::captureChanged()
{
    const std::shared_ptr<const Capture> &capture = session->capture();
    showCurrentFrame();
    updateShownLabel();
    if (capture && capture->status() != Capture::Status::Aborted) {
        for (int column = 0; column < 4; ++column)
            ui.tblFrames->resizeColumnToContents(column);
        sizeRowsToContents(ui.tblFrames);
        // A new capture shows all its frames; the filter bar keeps its text for another Apply.
        ui.filterBar->setProtocolVersion(capture->protocolVersion());
    }
    ui.filterBar->setApplied(session->filterText());
    foundFrame = -1;
    // A reference set with Set Time Reference went with its capture, and so does its mode.
    if (modeBeforeReference) {
        session->setTimeMode(*std::exchange(modeBeforeReference, std::nullopt));
    }
    buildFramesScroller();
}

void Framescope::reloadFile()
{
    if (session->capture())
        loadFile(session->capture()->fileName());
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
