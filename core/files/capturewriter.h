// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_CAPTUREWRITER_H
#define CORE_FILES_CAPTUREWRITER_H

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

QT_BEGIN_NAMESPACE
class QIODevice;
QT_END_NAMESPACE

namespace Korvex {

/// Writes frames taken from a capture as a capture of their own, in the layout the reader
/// reads: a few tags, the DATA LIST tag with the frame block's length, the frames as they lie
/// in the source file but with their time words made the distances between the frames written
/// (the first one 0), and the closing brace. The block's length is written once it is known,
/// so frames can be written as they come. A distance that does not fit the 32-bit time word
/// stops the writing with an error rather than be cut short.
class CaptureWriter
{
public:
    /// Digits of the DATA LIST tag's length, which is filled in at the end.
    static constexpr int LengthDigits = 10;

    /// `seekable`: the writer may go back to fill in the block's length. A pipe or device is
    /// not, and gets the largest length from the start: the reader takes any length from 1 and
    /// reads the frames up to the closing brace.
    CaptureWriter(QIODevice &device, bool seekable);
    ~CaptureWriter();

    /// The tag section, naming the capture the frames come from.
    bool begin(const QString &source, const QDateTime &date);
    /// A frame from its bytes in a capture (header word first), with its number there and its
    /// time in ticks since that capture's first frame.
    bool append(qint64 number, const char *bytes, qint64 length, quint64 ticks);
    /// The closing brace and the block's length.
    bool finish();

    qint64 framesWritten() const { return m_frames; }
    QString errorText() const { return m_error; }

private:
    bool flush();
    bool fail(const QString &error);

    QIODevice &m_device;
    bool m_seekable;
    QByteArray m_buffer;
    qint64 m_lengthAt = -1;
    quint64 m_blockBytes = 0;
    qint64 m_frames = 0;
    qint64 m_lastNumber = -1;
    quint64 m_lastTicks = 0;
    QString m_error;
};

} // namespace Korvex

#endif // CORE_FILES_CAPTUREWRITER_H
