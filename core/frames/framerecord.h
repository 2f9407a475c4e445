// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FRAMES_FRAMERECORD_H
#define CORE_FRAMES_FRAMERECORD_H

#include "core/frames/frameheader.h"

#include <QByteArray>
#include <QString>
#include <QVector>

QT_BEGIN_NAMESPACE
class QDataStream;
QT_END_NAMESPACE

namespace Korvex {

/// One frame of a capture: time stamp, decoded header, payload and whether decoding succeeded.
/// Only DigRF 3G frames (protocol version 0) are decoded; others keep their time stamp alone.
class FrameRecord
{
public:
    FrameRecord();
    /// Decodes one frame from the stream, whose byte order the caller has set.
    FrameRecord(int protocolVersion, QDataStream &in);
    /// Decodes one frame from the bytes of a capture (little-endian), exactly as the stream
    /// constructor reads them from a file that ends after `available` bytes. `consumed`, if
    /// given, receives the bytes that decoding took.
    FrameRecord(int protocolVersion, const char *bytes, qint64 available,
                qint64 *consumed = nullptr);
    virtual ~FrameRecord();

    /// A frame that the capture indexed but whose bytes are no longer in its file.
    static FrameRecord missing(int protocolVersion);
    bool isMissing() const { return m_missing; }

    /// Ticks of 1000/312 ns. Kept in 64 bits so that captures longer than 4.29 s keep their times.
    quint64 time() const { return m_time; }
    void setTime(quint64 time) { m_time = time; }
    quint64 timeNs() const { return nsOfTicks(m_time); }
    /// Ticks in whole nanoseconds, rounded down: every time the program shows goes through it.
    static quint64 nsOfTicks(quint64 ticks)
    {
        // ticks * 1000 / 312 without overflowing the product.
        return ticks / 312 * 1000 + ticks % 312 * 1000 / 312;
    }

    quint8 payloadSizeCode() const { return m_header.payloadSizeCode; }
    quint8 channelType() const { return m_header.channelType; }
    quint8 ctsBit() const { return m_header.ctsBit; }
    void setPayloadSizeCode(quint8 code);
    void setChannelType(quint8 type);
    void setCtsBit(quint8 bit);

    QByteArray payload() const { return m_payload; }
    void setPayload(const QByteArray &payload) { m_payload = payload; }

    int payloadSizeBits() const;
    QString channelTypeName() const;
    QString headerText() const;
    QString payloadHex() const;

    int protocolVersion() const { return m_protocolVersion; }
    bool isValid() const { return m_valid; }
    QString errorText() const { return m_errorText; }

    QByteArray serialize() const;
    /// The length of serialize() without building it.
    qint64 serializedSize() const;

private:
    // Decodes the capture layout from memory; returns the bytes taken.
    qint64 decode(const uchar *data, qint64 available);

    quint64 m_time = 0;
    FrameHeader m_header;
    QByteArray m_payload;
    int m_protocolVersion = 0;
    bool m_valid = true;
    bool m_missing = false;
    QString m_errorText;
};

/// The loaded frames in file order; the holder owns the records.
using FrameList = QVector<FrameRecord *>;

} // namespace Korvex

#endif // CORE_FRAMES_FRAMERECORD_H
