#ifndef FRAMES_FRAMERECORD_H
#define FRAMES_FRAMERECORD_H

#include "frames/frameheader.h"

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
    virtual ~FrameRecord();

    /// Ticks of 1000/312 ns. Kept in 64 bits so that captures longer than 4.29 s keep their times.
    quint64 time() const { return m_time; }
    void setTime(quint64 time) { m_time = time; }
    quint64 timeNs() const;

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
    quint64 m_time = 0;
    FrameHeader m_header;
    QByteArray m_payload;
    int m_protocolVersion = 0;
    bool m_valid = true;
    QString m_errorText;
};

/// The loaded frames in file order; the holder owns the records.
using FrameList = QVector<FrameRecord *>;

} // namespace Korvex

#endif // FRAMES_FRAMERECORD_H
