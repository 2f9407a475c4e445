// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_STATS_PASSRUNNER_H
#define VIEWER_STATS_PASSRUNNER_H

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

QT_BEGIN_NAMESPACE
class QThread;
QT_END_NAMESPACE

namespace Korvex {

class CapturePass;

/// Runs a pass over a capture's frames on a thread of its own, so that the windows stay
/// responsive through a hundred million frames: reports its progress every 50 ms, cancels it on
/// request, and says when it is over. Only one pass runs at a time; starting one stops the one
/// before, and so does letting go of the capture (stop()), which waits until the pass is gone.
class PassRunner : public QObject
{
    Q_OBJECT

public:
    explicit PassRunner(QObject *parent = nullptr);
    ~PassRunner() override;

    /// Runs work(*pass) on a new thread; the work calls pass->run().
    void start(std::shared_ptr<CapturePass> pass, std::function<void(CapturePass &)> work);
    bool isRunning() const { return m_thread != nullptr; }
    /// Asks the running pass to stop; finished(false) follows.
    void cancel();
    /// Cancels the running pass and waits for its thread; no signal follows.
    void stop();

signals:
    /// Percent of the pass done.
    void progress(int percent);
    /// The pass is over: completed, or cancelled.
    void finished(bool completed);

private:
    void threadFinished(int generation);
    void reportProgress();

    QThread *m_thread = nullptr;
    std::shared_ptr<CapturePass> m_pass;
    QTimer m_timer;
    // Tells the end of the current pass from that of one stopped before.
    int m_generation = 0;
};

} // namespace Korvex

#endif // VIEWER_STATS_PASSRUNNER_H
