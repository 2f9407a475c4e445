#include "views/frametext.h"

#include "files/frameindex.h"

#include <QCoreApplication>

namespace Korvex::FrameText {

namespace {

void appendSigned(QString &out, qint64 value)
{
    if (value < 0)
        appendNumber(out, quint64(0) - quint64(value), true);
    else
        appendNumber(out, quint64(value));
}

// Upper-case hexadecimal digits, a space after every fourth one.
void appendPayload(QString &out, const QByteArray &payload)
{
    static const char16_t hex[] = u"0123456789ABCDEF";
    const qsizetype digits = payload.size() * 2;
    const qsizetype start = out.size();
    out.resize(start + digits + digits / 4);
    QChar *to = out.data() + start;
    for (qsizetype i = 0; i < payload.size(); ++i) {
        const uchar byte = uchar(payload.at(i));
        *to++ = QChar(hex[byte >> 4]);
        *to++ = QChar(hex[byte & 0x0F]);
        if (i % 2 == 1)
            *to++ = QChar(u' ');
    }
}

QString notImplemented()
{
    return QStringLiteral("not impl");
}

} // namespace

// Numbers and hexadecimal digits are written straight into the cell text: a million-frame
// table is printed without a temporary string per number.
void appendNumber(QString &out, quint64 value, bool negative)
{
    QChar digits[21];
    int first = 21;
    do {
        digits[--first] = QChar(u'0' + int(value % 10));
        value /= 10;
    } while (value != 0);
    if (negative)
        digits[--first] = QChar(u'-');
    out.append(digits + first, 21 - first);
}

QString columnTitle(int column, int protocolVersion)
{
    switch (column) {
    case 0:
        return QCoreApplication::translate("QAbstractTableModel", "Time [ns]");
    case 1:
        return QCoreApplication::translate("QAbstractTableModel", "Frame");
    case 2:
        return protocolVersion == 0 ? QCoreApplication::translate("QAbstractTableModel", "CTS")
                                    : QCoreApplication::translate("QAbstractTableModel", "CRI");
    case 3:
        return QCoreApplication::translate("QAbstractTableModel", "Payload Size [Bits]");
    case 4:
        return QCoreApplication::translate("QAbstractTableModel", "Payload");
    default:
        return QString();
    }
}

void appendCell(QString &out, const FrameRecord &record, int column, int protocolVersion)
{
    if (record.isMissing() && (column == 0 || column == 4)) {
        out += QCoreApplication::translate("QAbstractTableModel", "missing");
        return;
    }
    switch (column) {
    case 0:
        appendNumber(out, record.timeNs());
        break;
    case 1:
        // The record's headerText(), built in place.
        if (record.protocolVersion() != 0) {
            out += notImplemented();
        } else {
            const int bits = record.payloadSizeBits();
            if (bits == -1) {
                out += QLatin1String("Profile Defined bit ");
            } else {
                appendSigned(out, bits);
                out += QLatin1String(" bit ");
            }
            out += record.channelTypeName();
        }
        break;
    case 2:
        if (protocolVersion == 0)
            appendNumber(out, record.ctsBit());
        else
            out += notImplemented();
        break;
    case 3:
        appendSigned(out, record.payloadSizeBits());
        break;
    case 4:
        appendPayload(out, record.payload());
        break;
    default:
        break;
    }
}

QString cell(const FrameRecord &record, int column, int protocolVersion)
{
    QString text;
    // Room for the longest text but the payload, which sizes itself exactly.
    if (column != 4)
        text.reserve(48);
    appendCell(text, record, column, protocolVersion);
    return text;
}

QString channelTypeName(const FrameIndex &index, qint64 frame)
{
    return index.protocolVersion() != 0 ? notImplemented() : index.fields(frame).channelTypeName();
}

} // namespace Korvex::FrameText
