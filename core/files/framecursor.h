// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_FRAMECURSOR_H
#define CORE_FILES_FRAMECURSOR_H

#include "core/files/frameblock.h"
#include "core/frames/framerecord.h"

#include <QByteArray>
#include <QtGlobal>

namespace Korvex {

class Capture;

/// Walks a range of a capture's frames in file order, reading the file in large pieces: what
/// filters, statistics, export and printing use to visit many frames. It keeps no state in the
/// capture, so several may walk one capture at a time.
class FrameCursor
{
public:
    /// Frames first to end - 1; the cursor stands before the first until next().
    FrameCursor(const Capture &capture, qint64 first, qint64 end);

    /// Moves to the next frame; false past the last one.
    bool next()
    {
        if (m_number + 1 >= m_end)
            return false;
        ++m_number;
        if (m_block.count == 0 || m_number >= m_block.first + m_block.count)
            loadBlock(FrameBlock::firstOf(m_number));
        m_k = int(m_number - m_block.first);
        return true;
    }
    /// Moves to frame n of the range, forwards or back (a filter's rows skip frames); false
    /// outside the range. The file is read again only when n lies outside what was read last.
    bool moveTo(qint64 n);

    qint64 number() const { return m_number; }
    /// Whether the frame's bytes are no longer in the file as they were indexed.
    bool isMissing() const { return m_k >= m_block.present; }
    quint8 header() const;
    /// Time since the first frame in ticks; 0 for a missing frame.
    quint64 ticks() const { return m_block.ticks[std::size_t(m_k)]; }
    /// The frame's bytes in the file (header word first); none for a missing frame.
    const char *bytes() const
    {
        return isMissing() ? nullptr
                           : m_buffer.constData() + m_blockAt + m_block.starts[std::size_t(m_k)];
    }
    qint64 length() const { return isMissing() ? 0 : m_block.lengths[std::size_t(m_k)]; }
    /// The frame decoded, as Capture::frame() gives it.
    FrameRecord record() const;

private:
    void loadBlock(qint64 first);

    const Capture &m_capture;
    qint64 m_number;
    qint64 m_first;
    qint64 m_end;
    // Where the frame block ended when the frames below m_end were published.
    quint64 m_dataEnd;
    FrameBlock m_block;
    int m_k = 0;
    // Bytes read from the file, starting at file offset m_bufferOffset.
    QByteArray m_buffer;
    quint64 m_bufferOffset = 0;
    qint64 m_bufferBytes = 0;
    qint64 m_blockAt = 0;
};

} // namespace Korvex

#endif // CORE_FILES_FRAMECURSOR_H
