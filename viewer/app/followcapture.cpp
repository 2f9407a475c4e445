// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/taskkinds.h"
#include "core/session/capturesession.h"
#include "core/text/numbertext.h"
#include "viewer/views/logmodel.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QPromise>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

namespace Korvex {

namespace {

// How often the followed file's size is looked at: a watcher misses changes on some
// filesystems.
constexpr int PollMs = 200;
// The watcher's news of a write start a read this long after: a writer's every write is news,
// and a read per write would keep the window busy with rows a few at a time.
constexpr int GatherMs = 50;
// The rate in the status bar counts the frames of about this long.
constexpr qint64 RateWindowMs = 1000;

const QString followKey = QStringLiteral("FollowCapture");

/// Reports nothing and never stops a read of the followed file: it reads only what was
/// written since the last one, and stopping it half-way would end the capture.
class FollowSink final : public FrameReaderSink
{
public:
    explicit FollowSink(TaskDialog::Hook hook)
        : m_hook(std::move(hook))
    {
    }

    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
    bool proceed(qint64) override
    {
        if (m_hook)
            m_hook(TaskKinds::Follow);
        return true;
    }

private:
    TaskDialog::Hook m_hook;
};

/// What a read of the followed file gives the window.
struct FollowRead
{
    Capture::Status status = Capture::Status::Following;
    QList<LogLines::Line> closing;
};

// The milliseconds since the program's start, which the rate is counted in.
qint64 now()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

} // namespace

void Framescope::setUpFollowing()
{
    ui.actionFollowCapture->setChecked(settings->value(followKey, true).toBool());
    connect(ui.actionFollowCapture, &QAction::toggled, this, &Framescope::followToggled);
    followSoon = new QTimer(this);
    followSoon->setSingleShot(true);
    followSoon->setInterval(GatherMs);
    connect(followSoon, &QTimer::timeout, this, &Framescope::followStep);
    followWatcher = new QFileSystemWatcher(this);
    connect(followWatcher, &QFileSystemWatcher::fileChanged, this, [this] {
        if (!followSoon->isActive())
            followSoon->start();
    });
    followPoll = new QTimer(this);
    followPoll->setInterval(PollMs);
    connect(followPoll, &QTimer::timeout, this, &Framescope::pollFollowed);
    followLabel = new QLabel(ui.statusbar);
    followLabel->hide();
    ui.statusbar->addPermanentWidget(followLabel);
}

void Framescope::followToggled(bool on)
{
    settings->setValue(followKey, on);
    // Turned on, it applies to the next load: a capture read whole stays as it is.
    if (on || !followed)
        return;
    // The last read takes the file as it is: a frame cut short is then an invalid frame.
    followFinishing = true;
    followStep();
}

void Framescope::startFollowing(std::shared_ptr<Capture> capture)
{
    followed = std::move(capture);
    followedSize = QFileInfo(followed->fileName()).size();
    followCounts.clear();
    followCounts.emplace_back(now(), followed->frameCount());
    followWatcher->addPath(followed->fileName());
    followPoll->start();
    showFollowing();
    // Turned off while the load ran: following ends at once.
    if (!ui.actionFollowCapture->isChecked()) {
        followFinishing = true;
        followStep();
    }
}

void Framescope::pollFollowed()
{
    if (!followed)
        return;
    const qint64 size = QFileInfo(followed->fileName()).size();
    if (size == followedSize)
        return;
    followedSize = size;
    followStep();
}

void Framescope::followStep()
{
    if (!followed)
        return;
    if (followReading) {
        followAgain = true;
        return;
    }
    followReading = true;
    followAgain = false;
    const bool finishing = followFinishing;
    session->tasks().start<FollowRead>(
        TaskKinds::Follow,
        [capture = followed, finishing, hook = taskHook](QPromise<FollowRead> &promise) {
            FollowSink sink(hook);
            FollowRead read;
            read.status = finishing ? capture->finish(sink) : capture->readNewBytes(sink);
            read.closing = capture->closingLines();
            promise.addResult(std::move(read));
        },
        std::function<void(FollowRead)>([this](FollowRead read) {
            followStepDone(read.status, read.closing);
        }));
}

void Framescope::followStepDone(Capture::Status status, const QList<LogLines::Line> &closing)
{
    followReading = false;
    if (!followed)
        return;
    session->takeNewFrames();
    // A new frame does not bring the Log forward; a file changed by another program does.
    bool problem = false;
    logModel->follow(followed->sharedLog(), &problem);
    if (problem)
        bringLogForward(true);
    // While the file grows, a frame still being written is not called invalid.
    QList<LogLines::Line> information;
    for (const LogLines::Line &line : closing) {
        if (line.level == LogLevel::Info)
            information.append(line);
    }
    logModel->setTail(followed->sharedLog(), information);
    if (status != Capture::Status::Following) {
        // Reload reads a changed file anew.
        if (status == Capture::Status::Changed)
            ui.actionReload->setEnabled(true);
        dropFollowed();
        return;
    }
    const qint64 time = now();
    followCounts.emplace_back(time, followed->frameCount());
    // The oldest count kept is the last one at least a second old.
    while (followCounts.size() > 2 && time - followCounts[1].first >= RateWindowMs)
        followCounts.erase(followCounts.begin());
    showFollowing();
    if (followAgain || followFinishing)
        followStep();
}

void Framescope::showFollowing()
{
    const auto &[firstTime, firstCount] = followCounts.front();
    const auto &[lastTime, lastCount] = followCounts.back();
    const qint64 rate =
        lastTime > firstTime ? (lastCount - firstCount) * 1000 / (lastTime - firstTime) : 0;
    followLabel->setText(tr("Following: %1 frames (+%2 frames/s)")
                             .arg(NumberText::grouped(session->frameCount()),
                                  NumberText::grouped(rate)));
    followLabel->show();
}

void Framescope::dropFollowed()
{
    session->tasks().cancel(TaskKinds::Follow);
    followReading = false;
    followAgain = false;
    followFinishing = false;
    if (followed) {
        followWatcher->removePath(followed->fileName());
        followed.reset();
    }
    followPoll->stop();
    followSoon->stop();
    followLabel->hide();
}

} // namespace Korvex
