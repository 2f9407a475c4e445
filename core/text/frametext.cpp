// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/frametext.h"

#include "core/files/frameindex.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QCoreApplication>

#include <charconv>
#include <type_traits>

namespace Korvex::FrameText {

namespace {

/// Writes one cell's characters straight into the text it is appended to, room for the cell
/// made once: a million-frame table is printed without a call per piece. The text is a
/// QString for the views, or UTF-8 bytes for drfdump's output: the same cells both.
template<typename Text, typename Char>
class CellWriter
{
public:
    /// Room for every cell but a payload: numbers, a channel text, a word or two.
    static constexpr qsizetype TextChars = 96;

    explicit CellWriter(Text &out, qsizetype room = TextChars)
        : m_out(out)
        , m_start(out.size())
        , m_room(room)
    {
        out.resize(m_start + room);
        m_begin = out.data() + m_start;
        m_to = m_begin;
    }
    ~CellWriter() { m_out.resize(m_start + (m_to - m_begin)); }

    void number(quint64 value, bool negative = false)
    {
        char digits[20];
        const char *const end = std::to_chars(digits, digits + 20, value).ptr;
        if (negative)
            *m_to++ = Char('-');
        for (const char *digit = digits; digit != end; ++digit)
            *m_to++ = Char(*digit);
    }

    void signedNumber(qint64 value)
    {
        if (value < 0)
            number(quint64(0) - quint64(value), true);
        else
            number(quint64(value));
    }

    void text(QStringView text)
    {
        const qsizetype room = m_room - (m_to - m_begin);
        if constexpr (std::is_same_v<Char, char>) {
            const QByteArray bytes = text.toUtf8();
            for (const char c : QByteArrayView(bytes).first(qMin(room, bytes.size())))
                *m_to++ = c;
        } else {
            for (const QChar c : text.left(room))
                *m_to++ = c;
        }
    }

    /// The room a payload's cell needs.
    static qsizetype payloadChars(const QByteArray &payload) { return payload.size() * 5 / 2 + 1; }

    // Upper-case hexadecimal digits, a space after every fourth one.
    void payload(const QByteArray &payload)
    {
        static const char hex[] = "0123456789ABCDEF";
        const qsizetype bytes = qMin(payload.size(), (m_room - (m_to - m_begin)) * 2 / 5);
        for (qsizetype i = 0; i < bytes; ++i) {
            const uchar byte = uchar(payload.at(i));
            *m_to++ = Char(hex[byte >> 4]);
            *m_to++ = Char(hex[byte & 0x0F]);
            if (i % 2 == 1)
                *m_to++ = Char(' ');
        }
    }

private:
    Text &m_out;
    qsizetype m_start;
    qsizetype m_room;
    Char *m_begin;
    Char *m_to;
};

QString notImplemented()
{
    return QStringLiteral("not impl");
}

} // namespace

void appendNumber(QString &out, quint64 value, bool negative)
{
    CellWriter<QString, QChar>(out).number(value, negative);
}

void appendNumber(QByteArray &out, quint64 value, bool negative)
{
    CellWriter<QByteArray, char>(out).number(value, negative);
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

namespace {

template<typename Text, typename Char>
void writeCell(Text &out, const FrameRecord &record, int column, int protocolVersion)
{
    if (column < 0 || column >= ColumnCount)
        return;
    using Writer = CellWriter<Text, Char>;
    Writer cell(out, column == 4 ? qMax(Writer::TextChars, Writer::payloadChars(record.payload()))
                                 : Writer::TextChars);
    if (record.isMissing() && (column == 0 || column == 4)) {
        static const QString missing = QCoreApplication::translate("QAbstractTableModel", "missing");
        cell.text(missing);
        return;
    }
    static const QString notImpl = notImplemented();
    switch (column) {
    case 0:
        cell.number(record.timeNs());
        break;
    case 1:
        // The record's headerText(), built in place.
        if (record.protocolVersion() != 0) {
            cell.text(notImpl);
        } else {
            const int bits = record.payloadSizeBits();
            if (bits == -1) {
                cell.text(u"Profile Defined bit ");
            } else {
                cell.signedNumber(bits);
                cell.text(u" bit ");
            }
            cell.text(record.channelTypeName());
        }
        break;
    case 2:
        if (protocolVersion == 0)
            cell.number(record.ctsBit());
        else
            cell.text(notImpl);
        break;
    case 3:
        cell.signedNumber(record.payloadSizeBits());
        break;
    case 4:
        cell.payload(record.payload());
        break;
    }
}

} // namespace

void appendCell(QString &out, const FrameRecord &record, int column, int protocolVersion)
{
    writeCell<QString, QChar>(out, record, column, protocolVersion);
}

void appendCell(QByteArray &out, const FrameRecord &record, int column, int protocolVersion)
{
    writeCell<QByteArray, char>(out, record, column, protocolVersion);
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
