// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_FRAMEGENERATOR_H
#define CORE_FILES_FRAMEGENERATOR_H

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <functional>

QT_BEGIN_NAMESPACE
class QIODevice;
QT_END_NAMESPACE

namespace Korvex {

class FrameRecord;

/// Draws random DigRF 3G frames from a seeded linear congruential generator and writes them
/// as a capture file that the reader opens frame for frame.
class FrameGenerator
{
public:
    /// The largest number of frames one capture may hold. At about 28 bytes a frame the block
    /// length (2.8 GB) stays inside the 32-bit data length that the reader accepts.
    static constexpr qint64 MaxFrames = 100000000;

    explicit FrameGenerator(quint32 seed);

    /// The bytes a frame with this many payload bytes takes in a capture, which stores the
    /// payload in whole 32-bit words after the 8 bytes of header and time.
    static constexpr int captureSize(int payloadBytes) { return 8 + 4 * ((payloadBytes + 3) / 4); }

    /// The next value from 0 to 32767: bits 16 to 30 of the advanced state.
    int random();

    /// Draws one frame: payload size code, channel type, CTS bit, then the payload bytes.
    /// The time is 0.
    void drawFrame(FrameRecord &record);

    /// The frame as a capture stores it: header word, time word (the record's time, which a
    /// capture holds as the distance to the frame before), payload in 32-bit words, all
    /// little-endian, arranged so that the reader yields the record's payload bytes.
    static QByteArray captureBytes(const FrameRecord &record);

    /// The tag section up to and including the "#" that opens the frame block.
    static QByteArray tagText(const QDateTime &date, qint64 frameCount, qint64 blockLength);

    /// The byte length of the frame block that frameCount frames drawn from seed take.
    static qint64 blockLength(quint32 seed, qint64 frameCount);

    /// Writes the whole capture to the device, a slice at a time, so that no frame count
    /// needs it all in memory. False when the device refused a write.
    static bool writeCapture(QIODevice &device, quint32 seed, qint64 frameCount,
                             const QDateTime &date);

    /// Writes the capture to a file that replaces an existing one only once it is complete.
    /// On failure the reason goes to errorText (if given) and the old file is untouched.
    static bool writeFile(const QString &fileName, quint32 seed, qint64 frameCount,
                          const QDateTime &date, QString *errorText = nullptr);

    /// Writes a whole capture of frameCount frames, each filled in turn by draw(): the tags
    /// (naming blockLength, which the frames must take together), the frames a slice at a
    /// time, the closing brace. False when the device refused a write.
    static bool writeFrames(QIODevice &device, qint64 frameCount, qint64 blockLength,
                            const QDateTime &date, const std::function<void(FrameRecord &)> &draw);

    /// Has write() fill a file with a capture of frameCount frames, saved as OutputFile saves
    /// (a regular file replaced only once the new one is complete). A count outside 1 to
    /// MaxFrames writes nothing. On failure the reason goes to errorText (if given).
    static bool saveFile(const QString &fileName, qint64 frameCount,
                         const std::function<bool(QIODevice &)> &write, QString *errorText);

private:
    quint32 m_state;
};

} // namespace Korvex

#endif // CORE_FILES_FRAMEGENERATOR_H
