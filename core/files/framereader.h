// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_FRAMEREADER_H
#define CORE_FILES_FRAMEREADER_H

#include "core/files/loglines.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <limits>

QT_BEGIN_NAMESPACE
class QIODevice;
QT_END_NAMESPACE

namespace Korvex {

class FrameIndex;

/// One frame as the reader meets it in the file.
struct ScannedFrame
{
    qint64 number;      // counted from 0
    quint64 offset;     // of its header word in the file
    quint64 ticks;      // time since the first frame
    const char *bytes;  // the frame's bytes in the file, header word first
    qint64 length;      // how many bytes it takes in the file
};

/// Receives what the frame reader finds, so that the reader itself touches no widget.
class FrameReaderSink
{
public:
    virtual ~FrameReaderSink();
    /// One line of the load log, in the order the reader finds it. The lines of the frames
    /// ("Frame %1: payload size %2 bytes") do not come here: they follow from the frames.
    virtual void log(const QString &text, LogLevel level) = 0;
    /// A new progress value of the load, 0 to 100.
    virtual void progress(int value) = 0;
    /// Called now and then during a load with the number of frames read so far, and once more
    /// when the frame block ends, before any later log line. False stops the load; the count
    /// holds either way.
    virtual bool proceed(qint64 framesRead);
    /// Whether frame() is to be called for every frame.
    virtual bool wantsFrames() const;
    virtual void frame(const ScannedFrame &frame);
};

/// How a read ended.
enum class ReadResult {
    Complete,   // the frames up to the end of the file, an invalid frame or the closing brace
    Aborted,    // the DATA LIST tag is broken; no frame was read
    Cancelled,  // the sink asked to stop
    Limited,    // the capture holds more frames than frameLimit
    ReadError,  // the file could not be read on; the frames read before are kept
    Pending,    // a file still being written: what it holds so far is read
};

struct ReadOutcome
{
    ReadResult result = ReadResult::Complete;
    qint64 frames = 0;
    /// The file offset of the frame block, and just after the last frame read.
    quint64 dataStart = 0;
    quint64 dataEnd = 0;
    /// The system's reason for a ReadError.
    QString error;
};

/// Reads up to `length` bytes of a file at `offset` into `buffer`: the number read, which is 0
/// only at the end of the file, or -1 when the file cannot be read, with the system's reason
/// in `error`.
using ReadFunction =
    std::function<qint64(quint64 offset, char *buffer, qint64 length, QString *error)>;

/// Where a read of a file that is still being written stopped, so that the next read goes on
/// from there: before the tag section while it is not whole, else before the first frame
/// whose bytes are not all there yet.
struct ReadPosition
{
    bool inFrames = false;
    quint64 dataStart = 0;
    quint64 offset = 0;
    qint64 frames = 0;
    quint64 ticks = 0;
};

/// How readFrames() treats the end of the bytes it is given.
enum class ReadMode {
    /// The file ends there: its last frame may be cut short, and the load ends with its
    /// closing lines.
    WholeFile,
    /// The file is still being written: a tag section or frame cut short by the end is not
    /// read yet (its lines are not logged), and the closing lines wait for a read that ends it.
    Growing,
};

/// The most of one tag name or value that the reader keeps and logs; a longer one is logged as
/// its first TagTextChars characters and "… (N bytes)".
constexpr qsizetype TagTextChars = qsizetype(1) << 16;

/// Reads a capture from its start: the tag section up to the DATA LIST tag, then the frames,
/// accumulating their time stamps in 64 bits. `size` is the file size, which drives the progress
/// values: 5, 10, a value per frame from about 0 to 80 (reported only when it changes), then 85.
/// Every frame read is appended to `index` when one is given. At most `frameLimit` frames are
/// read; a capture with more is read that far and says so in the log. A read that fails ends
/// the load with ReadError and logs nothing of it: the frames wholly read before it are kept.
ReadOutcome readFrames(const ReadFunction &read, qint64 size, int protocolVersion,
                       FrameReaderSink &sink, FrameIndex *index = nullptr,
                       qint64 frameLimit = std::numeric_limits<qint64>::max());
/// Reads on from `position` (from the start when it is new) and leaves it where the read
/// stopped. A Growing read gives Pending when it reached the end of what the file holds; it
/// ends like a WholeFile read at an invalid frame, the closing brace with bytes after it, the
/// frame limit or a failed read. A WholeFile read from a position that is in the frames goes
/// on with the next frame, so that a growing file read step by step and then once whole logs
/// what one read of the finished file logs.
ReadOutcome readFrames(ReadPosition &position, ReadMode mode, const ReadFunction &read,
                       qint64 size, int protocolVersion, FrameReaderSink &sink,
                       FrameIndex *index = nullptr,
                       qint64 frameLimit = std::numeric_limits<qint64>::max());
/// The same from a device at its start, read in sequence; its read() gives 0 at its end and
/// -1 only when it fails.
ReadOutcome readFrames(QIODevice &device, qint64 size, int protocolVersion,
                       FrameReaderSink &sink, FrameIndex *index = nullptr,
                       qint64 frameLimit = std::numeric_limits<qint64>::max());

} // namespace Korvex

#endif // CORE_FILES_FRAMEREADER_H
