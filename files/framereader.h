#ifndef FILES_FRAMEREADER_H
#define FILES_FRAMEREADER_H

#include "frames/framerecord.h"

#include <QString>
#include <QtGlobal>

QT_BEGIN_NAMESPACE
class QDataStream;
QT_END_NAMESPACE

namespace Korvex {

/// Severity of one line of the load log: the viewer paints information white, warnings dark
/// yellow and errors (an aborted load, a file that cannot be opened) red.
enum class LogLevel { Info, Warning, Error };

/// Receives what the frame reader finds, so that the reader itself touches no widget.
class FrameReaderSink
{
public:
    virtual ~FrameReaderSink();
    /// One line of the load log, in the order the reader finds it.
    virtual void log(const QString &text, LogLevel level) = 0;
    /// A new progress value of the load, 0 to 100.
    virtual void progress(int value) = 0;
};

/// Reads a capture: the tag section up to the DATA LIST tag, then the frames, accumulating
/// their time stamps. `in` is positioned at the start of the file with its byte order set by
/// the caller; `size` is the file size, which drives the progress values. The accepted frames
/// are appended to `frames`; nothing that was already in it is touched.
///
/// Progress goes 5, 10, a value per frame from about 0 to 80 (reported only when it changes),
/// then 85; the caller reports 89 once it has handed the frames to its views.
///
/// Returns -1 when the DATA LIST tag aborts the load (no frame was appended), else 0.
int readFrames(QDataStream &in, qint64 size, int protocolVersion, FrameList &frames,
               FrameReaderSink &sink);

} // namespace Korvex

#endif // FILES_FRAMEREADER_H
