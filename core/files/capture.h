// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_CAPTURE_H
#define CORE_FILES_CAPTURE_H

#include "core/files/frameindex.h"
#include "core/files/framereader.h"
#include "core/files/loglines.h"
#include "core/frames/framerecord.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <array>
#include <atomic>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>

namespace Korvex {

/// A loaded capture: the open file, the compact index of its frames, the protocol version they
/// were read with and the load's log. Frames are read back from the file when asked for, so
/// nothing per frame is kept but its index entry. A frame that is no longer in the file as it
/// was loaded reads as missing, and the log says why, once for each reason: the file cannot be
/// read, it was cut short, or another program wrote another capture into it.
class Capture
{
public:
    /// Following: the file is read as it grows. Changed: following stopped because the file
    /// shrank or another program wrote into what was read of it.
    enum class Status {
        NotLoaded,
        CannotOpen,
        Aborted,
        Cancelled,
        Limited,
        ReadError,
        Loaded,
        Following,
        Changed
    };

    /// The most frames the viewer's table can show.
    static constexpr qint64 ShownFrameLimit = std::numeric_limits<int>::max();
    static constexpr qint64 NoFrameLimit = std::numeric_limits<qint64>::max();

    /// Nothing is read yet; the protocol version follows from the file name.
    explicit Capture(const QString &fileName);
    ~Capture();
    Capture(const Capture &) = delete;
    Capture &operator=(const Capture &) = delete;

    QString fileName() const { return m_fileName; }
    int protocolVersion() const { return m_index->protocolVersion(); }

    /// Opens the file and reads it, logging what the viewer's load logs: the protocol version,
    /// whether the file opened, then the reader's lines. Every line goes to the capture's log
    /// and to the sink. The file stays open for reading frames back. At most the frame limit's
    /// frames are indexed.
    Status load(FrameReaderSink &sink);
    /// The first half of load(): logs the protocol version and opens the file; false (and the
    /// status CannotOpen) when it cannot be opened, with a log line that gives the reason.
    bool open(FrameReaderSink &sink);
    /// The second half of load(), after open().
    Status read(FrameReaderSink &sink);
    /// Opens and reads the file like load(), but keeps no index: every frame goes to the
    /// sink's frame() only, so that a capture of any size is read in constant memory. The
    /// capture's log then holds the ordinary lines alone, and no frame can be read back. No
    /// frame limit applies unless one is given.
    Status scan(FrameReaderSink &sink, qint64 frameLimit = NoFrameLimit);
    /// After open(), reads what was written to the file since the last call (the first call
    /// reads it from its start), for a capture that its instrument is still writing: the index
    /// and the log grow by the frames whose bytes are all there. A frame, or a tag section,
    /// that is only partly written is read by a later call once it is whole; the lines that
    /// end a load wait for finish(). Gives Following while it goes on. Following stops, with the
    /// status of an ended load, where the frames end for good (an invalid frame, the frame
    /// limit, a read that fails, a broken DATA LIST tag), and with Changed when the file
    /// shrank or what was read of it is no longer there (the log says so in red). The frames
    /// published may be read from other threads meanwhile.
    Status readNewBytes(FrameReaderSink &sink);
    /// Stops following: reads the rest as the whole file, so that a last frame cut short is an
    /// invalid frame, and logs the lines that end a load. The capture then is what one load of
    /// the file as it is would give. Nothing to do when not following.
    Status finish(FrameReaderSink &sink);
    bool isFollowing() const { return m_status == Status::Following; }
    /// While following: the ordinary lines (no frame lines) that a load of the file as it was
    /// at the last read would end with, were it to end there (a frame still being written
    /// would be an invalid frame). The capture stays as it is; call it between reads, never
    /// during one. Empty when not following.
    QList<LogLines::Line> closingLines() const;
    Status status() const { return m_status; }
    /// At most this many frames are indexed (tests lower it); ShownFrameLimit at first.
    void setFrameLimit(qint64 limit) { m_frameLimit = qMin(limit, FrameIndex::MaxFrames); }
    /// Reads the file through `read` instead of the system's calls, from the load on: how the
    /// tests make a read fail.
    void setReadFunction(ReadFunction read) { m_read = std::move(read); }

    qint64 frameCount() const { return m_index->count(); }
    const FrameIndex &index() const { return *m_index; }
    std::shared_ptr<const FrameIndex> sharedIndex() const { return m_index; }
    const LogLines &log() const { return *m_log; }
    /// The log, shared with whoever shows it for longer than the capture lives.
    std::shared_ptr<const LogLines> sharedLog() const { return m_log; }
    /// The offset just after the last frame read, for the frames frameCount() gave before.
    quint64 dataEnd() const { return m_index->dataEnd(); }

    /// The header fields of frame n, from the index.
    FrameHeader fields(qint64 n) const { return m_index->fields(n); }

    /// Frame n (0 <= n < frameCount()) as decoded from the file, with its time since the first
    /// frame. Any thread may read frames at the same time once the load is over. A missing frame is an invalid record with the index's header fields and no payload.
    FrameRecord frame(qint64 n) const;
    /// The time of frame n in ticks; 0 for a missing frame.
    quint64 ticks(qint64 n) const;
    bool isMissing(qint64 n) const;
    /// Frame n from its bytes in the file (nullptr when it is missing) and its time.
    FrameRecord decode(qint64 n, const char *bytes, qint64 length, quint64 ticks) const;

    /// Receives the log lines the capture adds after its load (why frames are missing); they
    /// may come from any thread that reads frames, while the capture is reading: the listener
    /// hands them on and reads no frame itself.
    void setLogListener(std::function<void(const QString &, LogLevel)> listener);

    /// Reads bytes at a file offset: the number read, less at the end of the file or where a
    /// read failed, none once the file was found replaced by another capture (its tag section
    /// or first frames are no longer those loaded). What it finds goes to the log.
    qint64 readAt(quint64 offset, char *buffer, qint64 length) const;

private:
    struct Block;
    // The reasons for missing frames, each said once.
    enum Reason { ReadFailed = 1, CutShort = 2, Replaced = 4 };

    Status readInto(FrameReaderSink &sink, bool indexed, qint64 frameLimit);
    // One read of a file being written, up to `size`.
    Status readGrowing(FrameReaderSink &sink, ReadMode mode, qint64 size);
    // Positioned reads of the bytes before `size` only, so that a read ends even while the
    // file grows.
    ReadFunction readUpTo(qint64 size) const;
    // The status an ended read leaves; a read error is logged.
    Status settle(const ReadOutcome &outcome, FrameReaderSink &recording);
    // Whether the file followed shrank or its bytes read were changed; says so when they were.
    bool changedWhileFollowed(qint64 size);
    qint64 readRaw(quint64 offset, char *buffer, qint64 length, QString *error) const;
    // Reads until `length` bytes, the end of the file or a failure, which leaves its reason
    // in `error`.
    qint64 readFully(quint64 offset, char *buffer, qint64 length, QString *error) const;
    void keepHead(quint64 dataStart);
    bool headIntact() const;
    qint64 firstFrameBeyond(quint64 fileSize) const;
    void reportCut() const;
    void report(Reason reason, const QString &text, LogLevel level) const;
    QString readErrorText(const QString &reason) const;
    // The cached block holding frame n; m_cacheLock is held.
    const Block &block(qint64 n) const;

    QString m_fileName;
    mutable QFile m_file;
    std::shared_ptr<FrameIndex> m_index;
    // Missing frames are logged while frames are read back, by const readers too.
    std::shared_ptr<LogLines> m_log;
    // Read by the thread that shows the capture while another one reads the file on.
    std::atomic<Status> m_status{Status::NotLoaded};
    qint64 m_frameLimit = ShownFrameLimit;
    std::function<void(const QString &, LogLevel)> m_listener;
    ReadFunction m_read;

    // What the file held where it was loaded: the start of its tag section and its first
    // frames, compared with the file at every read, so that another capture written into the
    // file is never shown as this one's frames. A file that no longer reaches past the first
    // frame is another one too.
    // A growing file's head is kept again as its first frames come in, while other threads
    // compare it: m_headLock guards it.
    mutable std::mutex m_headLock;
    quint64 m_headTags = 0;
    quint64 m_headFrames = 0;
    quint64 m_dataStart = 0;
    qint64 m_firstFrameBytes = 0;
    // Shared rather than copied, so that a reader's copy never shares the bytes' own count.
    std::shared_ptr<const QByteArray> m_head;
    qint64 m_headCount = 0;

    // Where following the file has got to, and the size it had then.
    ReadPosition m_position;
    qint64 m_followedSize = 0;
    mutable std::atomic<bool> m_replaced{false};
    mutable std::atomic<int> m_said{0};

    // The blocks of frames between two checkpoints read last, so that a table page costs one
    // read of the file.
    static constexpr int CachedBlocks = 8;
    mutable std::mutex m_cacheLock;
    mutable std::array<std::unique_ptr<Block>, CachedBlocks> m_cache;
    mutable int m_nextEvicted = 0;
};

} // namespace Korvex

#endif // CORE_FILES_CAPTURE_H
