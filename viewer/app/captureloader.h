// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_APP_CAPTURELOADER_H
#define VIEWER_APP_CAPTURELOADER_H

#include "core/files/framereader.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>

#include <functional>

namespace Korvex {

/// Watches a capture's load for the window: shows its progress in the progress dialog, lets
/// the window handle its events (repaints) at least every few tens of milliseconds, stops the
/// load when the dialog's Cancel is pressed, and says when the capture's log gained lines (a
/// line, or the lines of frames read).
class CaptureLoader final : public FrameReaderSink
{
public:
    using LogHandler = std::function<void()>;

    explicit CaptureLoader(LogHandler logGrew);

    /// The dialog that shows the progress and whose Cancel stops the load.
    void setDialog(QProgressDialog *dialog) { m_dialog = dialog; }

    void log(const QString &text, LogLevel level) override;
    void progress(int value) override;
    bool proceed(qint64 framesRead) override;

private:
    QPointer<QProgressDialog> m_dialog;
    LogHandler m_logGrew;
    qint64 m_framesLogged = 0;
    QElapsedTimer m_sinceEvents;
};

} // namespace Korvex

#endif // VIEWER_APP_CAPTURELOADER_H
