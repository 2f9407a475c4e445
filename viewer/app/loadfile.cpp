// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/taskkinds.h"
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
#include <QProgressBar>
#include <QProgressDialog>
#include <QPromise>
#include <QSettings>
#include <QTimer>

#include <atomic>
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

// How often the log panel looks for the lines a running load wrote.
constexpr int LogFollowMs = 30;

/// What the reader on the worker reports to: progress to the load's task, and stop once the
/// task was cancelled or Cancel pressed. Touches nothing of the window. Without a task it
/// only lets the capture record its lines (opening the file).
class LoadSink final : public FrameReaderSink
{
public:
    LoadSink() = default;
    LoadSink(QPromise<std::shared_ptr<Capture>> *promise,
             std::shared_ptr<const std::atomic<bool>> stop, TaskDialog::Hook hook)
        : m_promise(promise)
        , m_stop(std::move(stop))
        , m_hook(std::move(hook))
    {
    }

    void log(const QString &, LogLevel) override {}
    void progress(int value) override
    {
        if (m_promise)
            m_promise->setProgressValue(value);
    }
    bool proceed(qint64) override
    {
        if (m_hook)
            m_hook(TaskKinds::Load);
        return !(m_promise && m_promise->isCanceled()) && !(m_stop && m_stop->load());
    }

private:
    QPromise<std::shared_ptr<Capture>> *m_promise = nullptr;
    std::shared_ptr<const std::atomic<bool>> m_stop;
    TaskDialog::Hook m_hook;
};

} // namespace

void Framescope::loadFile(const QString &fileName)
{
    auto loaded = std::make_shared<Capture>(fileName);
    // A file that cannot be opened leaves the frames on display as they are, and the title
    // that names them; a load still running goes on.
    LoadSink opening;
    const bool opened = loaded->open(opening);
    // The log panel shows the capture's own log as it grows; it keeps the log as long as it
    // shows its lines, the capture or not.
    followLog(loaded->sharedLog());
    if (!opened)
        return;
    // The passes over the capture that goes would give results no one takes.
    session->tasks().cancel(TaskKinds::Filter);
    session->tasks().cancel(TaskKinds::Find);
    setWindowTitle(tr("Kestrant Framescope - %1").arg(fileName));
    showLoadProgress();
    // The views let go of the frames on display: a repaint during the load shows an empty
    // table rather than frames that are about to go.
    session->setCapture(nullptr);

    // The reader runs on a worker, building the capture no one else sees until it is done;
    // the log panel follows its log as it is written.
    loadingLog = loaded->sharedLog();
    loadStop = std::make_shared<std::atomic<bool>>(false);
    logTimer->start();
    session->tasks().start<std::shared_ptr<Capture>>(
        TaskKinds::Load,
        [loaded, stop = loadStop, hook = taskHook](QPromise<std::shared_ptr<Capture>> &promise) {
            promise.setProgressRange(0, 100);
            LoadSink sink(&promise, stop, hook);
            loaded->read(sink);
            if (!promise.isCanceled())
                promise.addResult(loaded);
        },
        std::function<void(std::shared_ptr<Capture>)>(
            [this](std::shared_ptr<Capture> capture) { loadDone(std::move(capture)); }));
}

void Framescope::showLoadProgress()
{
    if (!progressDialog) {
        progressDialog = new QProgressDialog(tr("Loading file ..."), tr("Cancel"), 0, 100, this);
        progressDialog->setWindowTitle(tr("Framescope"));
        progressDialog->setWindowModality(Qt::WindowModal);
        // The bar is set directly: the dialog's own setValue() would handle events inside it.
        loadBar = new QProgressBar(progressDialog);
        loadBar->setRange(0, 100);
        progressDialog->setBar(loadBar);
        progressDialog->setAutoReset(false);
        connect(progressDialog, &QProgressDialog::canceled, this, [this] {
            if (loadStop)
                loadStop->store(true);
        });
        connect(&session->tasks(), &TaskRunner::progressChanged, this,
                [this](const QString &kind, int value) {
                    if (kind == TaskKinds::Load)
                        loadBar->setValue(value);
                });
        logTimer = new QTimer(this);
        logTimer->setInterval(LogFollowMs);
        connect(logTimer, &QTimer::timeout, this, [this] { followLog(loadingLog); });
    }
    loadBar->setValue(0);
    progressDialog->show();
}

void Framescope::loadDone(std::shared_ptr<Capture> loaded)
{
    logTimer->stop();
    loadingLog.reset();
    loadStop.reset();
    followLog(loaded->sharedLog());
    const Capture::Status status = loaded->status();
    const QString fileName = loaded->fileName();
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
        loadBar->setValue(89);
    loadBar->setValue(90);

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
    loadBar->setValue(95);
    loadBar->setValue(100);
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
