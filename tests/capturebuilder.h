// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TESTS_CAPTUREBUILDER_H
#define TESTS_CAPTUREBUILDER_H

#include <QByteArray>
#include <QRandomGenerator>
#include <QtEndian>

/// Builds capture files byte by byte in the layout the reader expects: tags, the DATA LIST tag,
/// then per frame a header word, a time word and the payload words, all little-endian.
namespace CaptureBuilder {

inline QByteArray word(quint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(value, bytes.data());
    return bytes;
}

inline quint32 headerWord(int payloadSizeCode, int channelType, int cts)
{
    return quint32(payloadSizeCode) << 5 | quint32(channelType) << 1 | quint32(cts);
}

/// Payload words that a code needs: 1, 1, 2, 3, 4, 8, 16 for codes 0 to 6.
inline int payloadWords(int payloadSizeCode)
{
    static const int words[] = {1, 1, 2, 3, 4, 8, 16};
    return payloadSizeCode >= 0 && payloadSizeCode < 7 ? words[payloadSizeCode] : 0;
}

inline QByteArray frame(quint32 header, quint32 time, const QByteArray &payloadWords = {})
{
    return word(header) + word(time) + payloadWords;
}

/// A frame whose payload words are 0x00010203, 0x04050607, ... as stored in the file.
inline QByteArray frame(int code, int channelType, int cts, quint32 time)
{
    QByteArray payload;
    for (int i = 0; i < payloadWords(code); ++i)
        payload += word(quint32(4 * i) << 24 | quint32(4 * i + 1) << 16 | quint32(4 * i + 2) << 8
                        | quint32(4 * i + 3));
    return frame(headerWord(code, channelType, cts), time, payload);
}

/// A tag section with one TYPE tag and a DATA LIST tag naming the block's length, then the block.
inline QByteArray capture(const QByteArray &block, const QByteArray &tail = {})
{
    return "{TYPE:test}{DATA LIST-" + QByteArray::number(block.size() == 0 ? 1 : block.size())
           + ":#" + block + tail;
}

/// Valid DigRF 3G frames with random header fields, time deltas below 1000 ticks and random
/// payload bytes, closed by a brace as a recording instrument writes them.
inline QByteArray randomCapture(int frames, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray block;
    block.reserve(qsizetype(frames) * 28);
    for (int i = 0; i < frames; ++i) {
        const int code = int(random.bounded(7));
        block += word(headerWord(code, int(random.bounded(16)), int(random.bounded(2))));
        block += word(random.bounded(1000u));
        for (int w = 0; w < payloadWords(code); ++w)
            block += word(random.generate());
    }
    return capture(block, "}");
}

} // namespace CaptureBuilder

#endif // TESTS_CAPTUREBUILDER_H
