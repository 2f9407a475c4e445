// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TESTS_PASSLATCH_H
#define TESTS_PASSLATCH_H

#include "hangguard.h"

#include "viewer/app/taskdialog.h"

#include <QSemaphore>
#include <QString>

#include <atomic>
#include <memory>

/// Holds the first pass of one kind at its first progress report until the test releases it,
/// so that what happens during a pass is driven by the test, not by the machine's speed. The
/// state is shared with the hook: a pass that outlives the test's latch finds it intact.
class PassLatch
{
public:
    explicit PassLatch(const QString &kind)
        : m_state(std::make_shared<State>())
    {
        m_state->kind = kind;
    }
    ~PassLatch() { release(); }
    PassLatch(const PassLatch &) = delete;
    PassLatch &operator=(const PassLatch &) = delete;

    /// The hook for the window's passes.
    Korvex::TaskDialog::Hook hook() const
    {
        return [state = m_state](const QString &kind) {
            if (kind != state->kind || !state->armed.exchange(false))
                return;
            state->reached.release();
            state->go.acquire();
        };
    }
    /// Waits until the pass is held; false on a hang.
    [[nodiscard]] bool waitReached() { return m_state->reached.tryAcquire(1, HangGuardMs); }
    /// Lets the held pass go on (once).
    void release()
    {
        if (!m_state->released.exchange(true))
            m_state->go.release();
    }

private:
    struct State
    {
        QString kind;
        std::atomic<bool> armed{true};
        std::atomic<bool> released{false};
        QSemaphore reached;
        QSemaphore go;
    };
    std::shared_ptr<State> m_state;
};

#endif // TESTS_PASSLATCH_H
