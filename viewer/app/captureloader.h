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
/// load when the dialog's Cancel is pressed, and hands the log lines on, the lines of the
/// frames as runs.
class CaptureLoader final : public FrameReaderSink
{
public:
    using LineHandler = std::function<void(const QString &, LogLevel)>;
    /// The frames first to first + count - 1 were read.
    using FramesHandler = std::function<void(qint64 first, qint64 count)>;

    CaptureLoader(LineHandler lines, FramesHandler frames);

    /// The dialog that shows the progress and whose Cancel stops the load.
    void setDialog(QProgressDialog *dialog) { m_dialog = dialog; }

    void log(const QString &text, LogLevel level) override;
    void progress(int value) override;
    bool proceed(qint64 framesRead) override;

private:
    QPointer<QProgressDialog> m_dialog;
    LineHandler m_lines;
    FramesHandler m_frames;
    qint64 m_framesLogged = 0;
    QElapsedTimer m_sinceEvents;
};

} // namespace Korvex

#endif // VIEWER_APP_CAPTURELOADER_H
