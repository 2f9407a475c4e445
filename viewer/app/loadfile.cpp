// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/taskkinds.h"
#include "core/files/capture.h"
#include "core/session/capturesession.h"
#include "viewer/views/filterbar.h"
#include "viewer/views/logmodel.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QPromise>
#include <QSettings>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
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
    if (height == header->defaultSectionSize())
        return;
    {
        // The header says of each of its rows that it was resized, and the table notes each
        // one to lay out again: tens of milliseconds for the rows of a large capture. The
        // table lays out all of them once instead.
        const QSignalBlocker quiet(header);
        header->setDefaultSectionSize(height);
    }
    header->viewport()->update();
    table->doItemsLayout();
}

// How often the window takes the frames a running load has read, and the lines it logged.
constexpr int LoadLookMs = 75;

/// What the reader on the worker reports to: progress to the load's task, and stop once the
/// task was cancelled or Cancel pressed. Touches nothing of the window. Without a task it
/// only lets the capture record its lines (opening the file).
template <typename Result>
class LoadSink final : public FrameReaderSink
{
public:
    LoadSink() = default;
    LoadSink(QPromise<Result> *promise, std::shared_ptr<const std::atomic<bool>> stop,
             TaskDialog::Hook hook, QString kind)
        : m_promise(promise)
        , m_stop(std::move(stop))
        , m_hook(std::move(hook))
        , m_kind(std::move(kind))
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
            m_hook(m_kind);
        return !(m_promise && m_promise->isCanceled()) && !(m_stop && m_stop->load());
    }

private:
    QPromise<Result> *m_promise = nullptr;
    std::shared_ptr<const std::atomic<bool>> m_stop;
    TaskDialog::Hook m_hook;
    QString m_kind;
};

/// What a load gives the window: the capture, and while its file is followed, the lines its
/// log would end with were the file to end there.
struct Loaded
{
    std::shared_ptr<Capture> capture;
    QList<LogLines::Line> closing;
};

} // namespace

void Framescope::loadFile(const QString &fileName)
{
    auto loaded = std::make_shared<Capture>(fileName);
    // A file that cannot be opened leaves the frames on display as they are, and the title
    // that names them; a load still running goes on.
    LoadSink<Loaded> opening;
    const bool opened = loaded->open(opening);
    // The log panel shows the capture's own log as it grows; it keeps the log as long as it
    // shows its lines, the capture or not.
    followLog(loaded->sharedLog());
    if (!opened)
        return;
    // The passes over the capture that goes would give results no one takes.
    session->tasks().cancel(TaskKinds::Filter);
    session->tasks().cancel(TaskKinds::Find);
    dropFollowed();
    setWindowTitle(tr("Kestrant Framescope - %1").arg(fileName));
    showLoadProgress();
    // The capture is on display at once, with no frames yet: they join as the reader on the
    // worker indexes them, and can be read while it goes on.
    session->setCapture(loaded);

    loadingLog = loaded->sharedLog();
    loadStop = std::make_shared<std::atomic<bool>>(false);
    loadTimer->start();
    const bool follow = ui.actionFollowCapture->isChecked();
    session->tasks().start<Loaded>(
        TaskKinds::Load,
        [loaded, follow, stop = loadStop, hook = taskHook](QPromise<Loaded> &promise) {
            promise.setProgressRange(0, 100);
            LoadSink<Loaded> sink(&promise, stop, hook, TaskKinds::Load);
            // Followed, the file is read as far as it goes; a frame still being written waits.
            Loaded result{loaded, {}};
            if (!follow)
                loaded->read(sink);
            else if (loaded->readNewBytes(sink) == Capture::Status::Following)
                result.closing = loaded->closingLines();
            if (!promise.isCanceled())
                promise.addResult(std::move(result));
        },
        std::function<void(Loaded)>(
            [this](Loaded result) { loadDone(std::move(result.capture), result.closing); }));
}

void Framescope::showLoadProgress()
{
    if (!loadBar) {
        loadBar = new QProgressBar(ui.statusbar);
        loadBar->setRange(0, 100);
        loadBar->setMaximumWidth(fontMetrics().averageCharWidth() * 24);
        loadCancel = new QPushButton(tr("Cancel"), ui.statusbar);
        loadCancel->setFocusPolicy(Qt::NoFocus);
        ui.statusbar->addPermanentWidget(loadBar);
        ui.statusbar->addPermanentWidget(loadCancel);
        connect(loadCancel, &QPushButton::clicked, this, [this] {
            if (loadStop)
                loadStop->store(true);
        });
        connect(&session->tasks(), &TaskRunner::progressChanged, this,
                [this](const QString &kind, int value) {
                    if (kind == TaskKinds::Load)
                        loadBar->setValue(value);
                });
        loadTimer = new QTimer(this);
        loadTimer->setInterval(LoadLookMs);
        connect(loadTimer, &QTimer::timeout, this, &Framescope::takeLoadedFrames);
    }
    loadBar->setValue(0);
    loadBar->show();
    loadCancel->show();
}

void Framescope::takeLoadedFrames()
{
    followLog(loadingLog);
    session->takeNewFrames();
}

void Framescope::loadDone(std::shared_ptr<Capture> loaded, const QList<LogLines::Line> &closing)
{
    loadTimer->stop();
    loadingLog.reset();
    loadStop.reset();
    followLog(loaded->sharedLog());
    // A followed file ends, for now, as a load of it would: a last frame still being written
    // is called invalid until the file grows, as it is when the capture is finished.
    logModel->setTail(loaded->sharedLog(), closing);
    const bool closingProblem = std::any_of(closing.begin(), closing.end(), [](const auto &line) {
        return line.level != LogLevel::Info;
    });
    if (closingProblem)
        bringLogForward(true);
    const Capture::Status status = loaded->status();
    const QString fileName = loaded->fileName();
    // A frame found missing later adds a line to the capture's log, which the log panel
    // shows once the paint that found it is over; the user stays on the tab in use (the last
    // frame of a capture cut short since, say).
    loaded->setLogListener([this, late = lateLines, log = loaded->sharedLog()](
                               const QString &line, LogLevel) {
        {
            const std::lock_guard<std::mutex> hold(late->lock);
            late->lines.emplace_back(log, line);
        }
        // Called by name, so that nothing of the reader's thread goes with the call but what
        // the lock hands over.
        QMetaObject::invokeMethod(this, "takeLateLines", Qt::QueuedConnection);
    });
    session->takeNewFrames();
    if (status != Capture::Status::Aborted)
        readCaptureDefinitions(fileName);
    if (status != Capture::Status::Aborted && session->currentFrame() < 0
        && session->frameCount() > 0)
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
    loadBar->hide();
    loadCancel->hide();
    // Without every line on the Log, a load that went well ends on its frames.
    if (!ui.actionShowLogOnEveryLine->isChecked() && loaded->sharedLog()->problems() == 0
        && !closingProblem)
        ui.tabs->setCurrentIndex(0);
    if (ui.tabs->currentIndex() == 0)
        framesTabShown();
    if (status == Capture::Status::Following)
        startFollowing(std::move(loaded));
}

void Framescope::takeLateLines()
{
    std::vector<std::pair<std::shared_ptr<const LogLines>, QString>> lines;
    {
        const std::lock_guard<std::mutex> hold(lateLines->lock);
        lines.swap(lateLines->lines);
    }
    for (const auto &[log, line] : lines)
        followLateLog(log, line);
    // The table shows anew what is left of the frames.
    if (!lines.empty())
        ui.tblFrames->viewport()->update();
}

void Framescope::framesJoined(qint64 from, qint64 to)
{
    Q_UNUSED(to);
    const FrameRows &rows = session->rows();
    // The first frames give the rows their height, which the strip's bars are drawn for.
    if (from == 0 && rows.count() > 0) {
        for (int column = 0; column < 4; ++column)
            ui.tblFrames->resizeColumnToContents(column);
        sizeRowsToContents(ui.tblFrames);
    }
    updateShownLabel();
    buildFramesScroller();
    // The current frame was on the last row when the row after it is one of the new frames:
    // the table stays at the tail, as the newest frame comes in.
    const qint64 current = session->currentFrame();
    const qint64 row = current >= 0 ? rows.rowOf(current) : -1;
    const bool atTail = row >= 0 && row + 1 < rows.count() && rows.frameAt(row + 1) >= from;
    if (atTail) {
        session->setCurrentFrame(rows.frameAt(rows.count() - 1));
        // Once the table has laid out its new rows, which it does when the loop next turns.
        QTimer::singleShot(0, this, [this] { ui.tblFrames->scrollTo(ui.tblFrames->currentIndex()); });
    } else {
        followCurrentFrame();
    }
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
