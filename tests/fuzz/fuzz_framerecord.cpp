// SPDX-License-Identifier: GPL-3.0-or-later
// Frame decoding from a stream of arbitrary bytes, frame after frame as the reader does it.
// The first input byte picks the protocol version and the stream's byte order. Each record
// must consume exactly the bytes the capture layout gives it, carry the right failure text
// when it is invalid, and, when valid, encode back to the bytes it was decoded from.

#include "fuzzcheck.h"

#include "core/frames/frameheader.h"
#include "core/frames/framerecord.h"

#include <QBuffer>
#include <QDataStream>
#include <QRegularExpression>
#include <QtEndian>

#include <cstdint>

using namespace Korvex;

namespace {

constexpr int PayloadWords[] = {1, 1, 2, 3, 4, 8, 16};

quint32 wordAt(const uchar *bytes, bool little)
{
    return little ? qFromLittleEndian<quint32>(bytes) : qFromBigEndian<quint32>(bytes);
}

void putWord(QByteArray &out, quint32 value, bool little)
{
    uchar bytes[4];
    if (little)
        qToLittleEndian(value, bytes);
    else
        qToBigEndian(value, bytes);
    out.append(reinterpret_cast<const char *>(bytes), 4);
}

// A valid DigRF 3G record in the capture layout: header word, time word, then the payload in
// words whose most significant byte comes first in the payload.
QByteArray captureLayout(const FrameRecord &record, bool little)
{
    FrameHeader header;
    header.payloadSizeCode = record.payloadSizeCode();
    header.channelType = record.channelType();
    header.ctsBit = record.ctsBit();
    QByteArray out;
    putWord(out, header.toWord(), little);
    putWord(out, quint32(record.time()), little);
    const QByteArray payload = record.payload();
    for (qsizetype w = 0; w * 4 < payload.size(); ++w) {
        quint32 word = 0;
        for (qsizetype b = 0; b < 4; ++b) {
            const qsizetype i = 4 * w + b;
            word = word << 8 | (i < payload.size() ? uchar(payload.at(i)) : 0u);
        }
        putWord(out, word, little);
    }
    return out;
}

void checkRecord(const QByteArray &stream, qsizetype start, qsizetype consumed,
                 const FrameRecord &record, int protocolVersion, bool little)
{
    const qsizetype left = stream.size() - start;
    const auto *raw = reinterpret_cast<const uchar *>(stream.constData() + start);
    const QString where = QStringLiteral("version %1, %2 endian, at %3 of %4")
                              .arg(protocolVersion)
                              .arg(little ? "little" : "big")
                              .arg(start)
                              .arg(fuzzHex(stream));
    const quint32 headerWord = left >= 4 ? wordAt(raw, little) : 0;
    const quint32 timeWord = left >= 8 ? wordAt(raw + 4, little) : 0;

    FUZZ_CHECK(record.protocolVersion() == protocolVersion, where);
    FUZZ_CHECK(record.time() == timeWord, where);
    FUZZ_CHECK(record.timeNs() == quint64(timeWord) * 1000 / 312, where);
    FUZZ_CHECK(record.payloadHex().size() == 2 * record.payload().size(), where);
    FUZZ_CHECK(record.payloadHex() == QString::fromLatin1(record.payload().toHex().toUpper()), where);
    FUZZ_CHECK(record.serialize().size() == record.serializedSize(), where);

    if (protocolVersion != 0) {
        FUZZ_CHECK(consumed == qMin<qsizetype>(8, left), where);
        FUZZ_CHECK(record.isValid() && record.errorText().isEmpty(), where);
        FUZZ_CHECK(record.payload().isEmpty() && record.serialize().isEmpty(), where);
        FUZZ_CHECK(record.payloadSizeBits() == -1, where);
        FUZZ_CHECK(record.channelTypeName() == QLatin1String("not impl")
                       && record.headerText() == QLatin1String("not impl"),
                   where);
        return;
    }

    const int code = int((headerWord >> 5) & 0xFF);
    FUZZ_CHECK(record.payloadSizeCode() == code, where);
    FUZZ_CHECK(record.channelType() == ((headerWord >> 1) & 0x0F), where);
    FUZZ_CHECK(record.ctsBit() == (headerWord & 1), where);
    FUZZ_CHECK(record.channelTypeName() == FrameHeader::fromWord(headerWord).channelTypeName(), where);

    if (code > 7) {
        FUZZ_CHECK(!record.isValid(), where);
        FUZZ_CHECK(record.errorText() == QStringLiteral("Unsupported payload size value: %1").arg(code), where);
        FUZZ_CHECK(consumed == qMin<qsizetype>(8, left), where);
        FUZZ_CHECK(record.payloadSizeBits() == -1, where);
        return;
    }
    if (code == 7) {
        FUZZ_CHECK(!record.isValid(), where);
        FUZZ_CHECK(record.errorText() == QStringLiteral("Invalid payload size: 0 bytes"), where);
        FUZZ_CHECK(consumed == qMin<qsizetype>(8, left), where);
        return;
    }

    const int words = PayloadWords[code];
    const int bytes = record.payloadSizeBits() / 8;
    FUZZ_CHECK(record.payload().size() == bytes, where);
    const qsizetype wordsThere = left <= 8 ? 0 : (left - 8) / 4;
    if (wordsThere < words) {
        // A short payload consumes what is left and names the words that are missing,
        // counting a word cut short.
        FUZZ_CHECK(!record.isValid(), where);
        FUZZ_CHECK(consumed == left, where);
        FUZZ_CHECK(record.errorText()
                       == QStringLiteral("Incomplete payload: %1 words are missing").arg(words - wordsThere),
                   where);
        return;
    }

    FUZZ_CHECK(record.isValid() && record.errorText().isEmpty(), where);
    FUZZ_CHECK(consumed == 8 + 4 * words, where);
    FUZZ_CHECK(record.headerText()
                   == QStringLiteral("%1 bit %2").arg(bytes * 8).arg(record.channelTypeName()),
               where);

    // Encoded again, the frame gives back its bytes: all but the header word's unused bits
    // 13 to 31 and, for a one-byte payload, the three bytes of padding in its word.
    const QByteArray encoded = captureLayout(record, little);
    FUZZ_CHECK(encoded.size() == consumed, where);
    const QByteArray original = stream.mid(start, consumed);
    const auto *enc = reinterpret_cast<const uchar *>(encoded.constData());
    FUZZ_CHECK(wordAt(enc, little) == (headerWord & 0x1FFF), where);
    FUZZ_CHECK(encoded.mid(4, 4) == original.mid(4, 4), where);
    if (code == 0)
        FUZZ_CHECK(wordAt(enc + 8, little) >> 24 == wordAt(raw + 8, little) >> 24, where);
    else
        FUZZ_CHECK(encoded.mid(8) == original.mid(8), where);

    // The serialised form: time and header word little-endian, then the payload unpadded.
    const QByteArray serialized = record.serialize();
    const auto *ser = reinterpret_cast<const uchar *>(serialized.constData());
    FUZZ_CHECK(qFromLittleEndian<quint32>(ser) == timeWord, where);
    FUZZ_CHECK(qFromLittleEndian<quint32>(ser + 4) == (headerWord & 0x1FFF), where);
    FUZZ_CHECK(serialized.mid(8) == record.payload(), where);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static const int versions[] = {0, 1, 2, -1};
    const int protocolVersion = versions[data[0] & 3];
    const bool little = (data[0] & 4) == 0;
    const QByteArray stream(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    QBuffer buffer;
    buffer.setData(stream);
    buffer.open(QIODevice::ReadOnly);
    QDataStream in(&buffer);
    in.setByteOrder(little ? QDataStream::LittleEndian : QDataStream::BigEndian);
    // Like the reader: frames back to back until one fails or the stream ends.
    do {
        const qsizetype start = buffer.pos();
        const FrameRecord record(protocolVersion, in);
        checkRecord(stream, start, buffer.pos() - start, record, protocolVersion, little);
        // Decoded from the capture's bytes in memory, as frames are read back, it is the same
        // frame from the same bytes.
        if (little) {
            qint64 consumed = 0;
            const FrameRecord fromMemory(protocolVersion, stream.constData() + start,
                                         stream.size() - start, &consumed);
            FUZZ_CHECK(consumed == buffer.pos() - start, fuzzHex(stream));
            FUZZ_CHECK(fromMemory.isValid() == record.isValid()
                           && fromMemory.errorText() == record.errorText()
                           && fromMemory.time() == record.time()
                           && fromMemory.payloadSizeCode() == record.payloadSizeCode()
                           && fromMemory.channelType() == record.channelType()
                           && fromMemory.ctsBit() == record.ctsBit()
                           && (!record.isValid() || fromMemory.payload() == record.payload()),
                       fuzzHex(stream));
        }
        if (!record.isValid())
            break;
    } while (!in.atEnd());

    // Times past 32 bits keep counting: ticks * 1000 / 312 exactly, for every tick count up to
    // 2^62, far beyond a billion frames of the longest distance (2^32 - 1 ticks) each; from
    // about 5.7e18 ticks on the nanoseconds no longer fit in 64 bits.
    if (size >= 9) {
        quint64 ticks = 0;
        memcpy(&ticks, data + size - 8, 8);
        ticks >>= 2;
        FrameRecord record;
        record.setTime(ticks);
        __extension__ typedef unsigned __int128 Wide;
        const auto exact = quint64(Wide(ticks) * 1000 / 312);
        FUZZ_CHECK(record.timeNs() == exact, QString::number(ticks));
    }
    return 0;
}
