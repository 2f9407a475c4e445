#ifndef CORE_FILES_CAPTURE_H
#define CORE_FILES_CAPTURE_H

#include "core/files/frameindex.h"
#include "core/files/framereader.h"
#include "core/files/loglines.h"
#include "core/frames/framerecord.h"

#include <QFile>
#include <QString>
#include <QtGlobal>

#include <array>
#include <functional>
#include <memory>

namespace Korvex {

/// A loaded capture: the open file, the compact index of its frames, the protocol version they
/// were read with and the load's log. Frames are read back from the file when asked for, so
/// nothing per frame is kept but its index entry. A frame that is no longer in the file (the
/// file was cut short, or changed under the viewer) reads as missing, and the log says so once.
class Capture
{
public:
    enum class Status { NotLoaded, CannotOpen, Aborted, Cancelled, Limited, Loaded };

    /// Nothing is read yet; the protocol version follows from the file name.
    explicit Capture(const QString &fileName);
    ~Capture();
    Capture(const Capture &) = delete;
    Capture &operator=(const Capture &) = delete;

    QString fileName() const { return m_fileName; }
    int protocolVersion() const { return m_index->protocolVersion(); }

    /// Opens the file and reads it, logging what the viewer's load logs: the protocol version,
    /// whether the file opened, then the reader's lines. Every line goes to the capture's log
    /// and to the sink. The file stays open for reading frames back.
    Status load(FrameReaderSink &sink);
    /// The first half of load(): logs the protocol version and opens the file; false (and the
    /// status CannotOpen) when it cannot be opened.
    bool open(FrameReaderSink &sink);
    /// The second half of load(), after open().
    Status read(FrameReaderSink &sink);
    /// Opens and reads the file like load(), but keeps no index: every frame goes to the
    /// sink's frame() only, so that a capture of any size is read in constant memory. The
    /// capture's log then holds the ordinary lines alone, and no frame can be read back.
    Status scan(FrameReaderSink &sink);
    Status status() const { return m_status; }
    /// At most this many frames are indexed (tests lower it).
    void setFrameLimit(qint64 limit) { m_frameLimit = limit; }

    qint64 frameCount() const { return m_index->count(); }
    const FrameIndex &index() const { return *m_index; }
    std::shared_ptr<const FrameIndex> sharedIndex() const { return m_index; }
    const LogLines &log() const { return *m_log; }
    /// The log, shared with whoever shows it for longer than the capture lives.
    std::shared_ptr<const LogLines> sharedLog() const { return m_log; }
    /// The offset just after the last frame read.
    quint64 dataEnd() const { return m_dataEnd; }

    /// The header fields of frame n, from the index.
    FrameHeader fields(qint64 n) const { return m_index->fields(n); }

    /// Frame n (0 <= n < frameCount()) as decoded from the file, with its time since the first
    /// frame. A missing frame is an invalid record with the index's header fields and no payload.
    FrameRecord frame(qint64 n) const;
    /// The time of frame n in ticks; 0 for a missing frame.
    quint64 ticks(qint64 n) const;
    bool isMissing(qint64 n) const;
    /// Frame n from its bytes in the file (nullptr when it is missing) and its time.
    FrameRecord decode(qint64 n, const char *bytes, qint64 length, quint64 ticks) const;

    /// Receives the log line the capture adds after its load (frames found missing).
    void setLogListener(std::function<void(const QString &, LogLevel)> listener);

    /// Reads bytes at a file offset; the number read, less at the end of the file.
    qint64 readAt(quint64 offset, char *buffer, qint64 length) const;

private:
    struct Block;
    Status readInto(FrameReaderSink &sink, bool indexed);
    const Block &block(qint64 n) const;
    void reportMissing(qint64 n) const;

    QString m_fileName;
    mutable QFile m_file;
    std::shared_ptr<FrameIndex> m_index;
    // Missing frames are logged while frames are read back, by const readers too.
    std::shared_ptr<LogLines> m_log;
    Status m_status = Status::NotLoaded;
    qint64 m_frameLimit;
    quint64 m_dataEnd = 0;
    std::function<void(const QString &, LogLevel)> m_listener;

    // The blocks of frames between two checkpoints read last, so that a table page costs one
    // read of the file.
    static constexpr int CachedBlocks = 8;
    mutable std::array<std::unique_ptr<Block>, CachedBlocks> m_cache;
    mutable int m_nextEvicted = 0;
    mutable qint64 m_missingReported = -1;
};

} // namespace Korvex

#endif // CORE_FILES_CAPTURE_H
