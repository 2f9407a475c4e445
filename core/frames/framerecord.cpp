// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/frames/framerecord.h"

#include <QDataStream>
#include <QtEndian>

namespace Korvex {

namespace {

// Reads one 32-bit word in the stream's byte order; a short read consumes what is left and gives 0.
quint32 readWord(QDataStream &in)
{
    uchar bytes[4];
    if (in.readRawData(reinterpret_cast<char *>(bytes), 4) != 4)
        return 0;
    return in.byteOrder() == QDataStream::LittleEndian ? qFromLittleEndian<quint32>(bytes)
                                                       : qFromBigEndian<quint32>(bytes);
}

} // namespace

FrameRecord::FrameRecord() = default;

FrameRecord::FrameRecord(int protocolVersion, QDataStream &in)
    : m_protocolVersion(protocolVersion)
{
    const quint32 headerWord = readWord(in);
    m_time = readWord(in);
    if (protocolVersion != 0)
        return;

    m_header = FrameHeader::fromWord(headerWord);
    const int bits = m_header.payloadSizeBits();
    if (bits == -1) {
        m_valid = false;
        m_errorText = QStringLiteral("Unsupported payload size value: %1").arg(m_header.payloadSizeCode);
        return;
    }
    const int bytes = (bits + 7) / 8;
    if (bytes <= 0) {
        m_valid = false;
        m_errorText = QStringLiteral("Invalid payload size: %1 bytes").arg(bytes);
        return;
    }

    const int words = bytes >= 4 ? bytes / 4 : 1;
    uchar raw[64];
    const int got = in.atEnd() ? 0 : qMax(0, in.readRawData(reinterpret_cast<char *>(raw), words * 4));
    // A word cut short by the end of the file is missing, like the words after it.
    const int complete = got / 4;
    const bool little = in.byteOrder() == QDataStream::LittleEndian;
    m_payload.resize(words * 4);
    char *out = m_payload.data();
    for (int w = 0; w < complete; ++w) {
        const uchar *word = raw + 4 * w;
        for (int b = 0; b < 4; ++b)
            out[4 * w + b] = char(little ? word[3 - b] : word[b]);
    }
    m_payload.resize(bytes);
    if (complete < words) {
        m_valid = false;
        m_errorText = QStringLiteral("Incomplete payload: %1 words are missing").arg(words - complete);
    }
}

FrameRecord::FrameRecord(int protocolVersion, const char *bytes, qint64 available,
                         qint64 *consumed)
    : m_protocolVersion(protocolVersion)
{
    const qint64 taken = decode(reinterpret_cast<const uchar *>(bytes), qMax<qint64>(0, available));
    if (consumed)
        *consumed = taken;
}

qint64 FrameRecord::decode(const uchar *data, qint64 available)
{
    qint64 pos = 0;
    // A word cut short by the end of the bytes takes what is left and reads as 0.
    const auto word = [&]() -> quint32 {
        if (available - pos < 4) {
            pos = available;
            return 0;
        }
        const quint32 value = qFromLittleEndian<quint32>(data + pos);
        pos += 4;
        return value;
    };
    const quint32 headerWord = word();
    m_time = word();
    if (m_protocolVersion != 0)
        return pos;

    m_header = FrameHeader::fromWord(headerWord);
    const int bits = m_header.payloadSizeBits();
    if (bits == -1) {
        m_valid = false;
        m_errorText = QStringLiteral("Unsupported payload size value: %1").arg(m_header.payloadSizeCode);
        return pos;
    }
    const int size = (bits + 7) / 8;
    if (size <= 0) {
        m_valid = false;
        m_errorText = QStringLiteral("Invalid payload size: %1 bytes").arg(size);
        return pos;
    }

    const int words = size >= 4 ? size / 4 : 1;
    const qint64 got = qBound<qint64>(0, available - pos, qint64(words) * 4);
    const int complete = int(got / 4);
    // Each word's bytes b0 b1 b2 b3 are the payload bytes b3 b2 b1 b0.
    m_payload.resize(qsizetype(words) * 4);
    char *out = m_payload.data();
    for (int w = 0; w < complete; ++w) {
        const uchar *in = data + pos + 4 * w;
        for (int b = 0; b < 4; ++b)
            out[4 * w + b] = char(in[3 - b]);
    }
    m_payload.resize(size);
    if (complete < words) {
        m_valid = false;
        m_errorText = QStringLiteral("Incomplete payload: %1 words are missing").arg(words - complete);
    }
    return pos + got;
}

FrameRecord::~FrameRecord() = default;

FrameRecord FrameRecord::missing(int protocolVersion)
{
    FrameRecord record;
    record.m_protocolVersion = protocolVersion;
    record.m_valid = false;
    record.m_missing = true;
    record.m_errorText = QStringLiteral("Frame no longer in the file");
    return record;
}

void FrameRecord::setPayloadSizeCode(quint8 code)
{
    m_header.payloadSizeCode = code;
    m_protocolVersion = 0;
}

void FrameRecord::setChannelType(quint8 type)
{
    m_header.channelType = type;
    m_protocolVersion = 0;
}

void FrameRecord::setCtsBit(quint8 bit)
{
    m_header.ctsBit = bit;
    m_protocolVersion = 0;
}

int FrameRecord::payloadSizeBits() const
{
    return m_protocolVersion != 0 ? -1 : m_header.payloadSizeBits();
}

QString FrameRecord::channelTypeName() const
{
    return m_protocolVersion != 0 ? QStringLiteral("not impl") : m_header.channelTypeName();
}

QString FrameRecord::headerText() const
{
    if (m_protocolVersion != 0)
        return QStringLiteral("not impl");
    return QStringLiteral("%1 %2").arg(m_header.payloadSizeText(), m_header.channelTypeName());
}

QString FrameRecord::payloadHex() const
{
    return QString::fromLatin1(m_payload.toHex().toUpper());
}

QByteArray FrameRecord::serialize() const
{
    if (m_protocolVersion != 0)
        return QByteArray();
    QByteArray bytes(8, Qt::Uninitialized);
    qToLittleEndian<quint32>(quint32(m_time), bytes.data());
    qToLittleEndian<quint32>(m_header.toWord(), bytes.data() + 4);
    return bytes + m_payload;
}

qint64 FrameRecord::serializedSize() const
{
    return m_protocolVersion != 0 ? 0 : 8 + m_payload.size();
}

} // namespace Korvex
