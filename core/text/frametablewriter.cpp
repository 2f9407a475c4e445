// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/frametablewriter.h"

#include "core/text/frametext.h"

#include "core/filters/framefacts.h"
#include "core/fields/fielddefinitions.h"
#include "core/frames/framerecord.h"

#include <QCoreApplication>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <type_traits>

namespace Korvex {

namespace {

// Columns of a row: the frame number, the table's own five, then the fields.
constexpr int NumberColumn = 0;
constexpr int TimeColumn = 1;
constexpr int PayloadColumn = 5;
constexpr int FieldsColumn = 6;

template<typename Text>
void append(Text &out, const QString &text)
{
    if constexpr (std::is_same_v<Text, QString>)
        out += text;
    else
        out += text.toUtf8();
}

uint codeOf(char c)
{
    return uchar(c);
}

uint codeOf(QChar c)
{
    return c.unicode();
}

// Quotes the CSV field that starts at `start` in the text when RFC 4180 asks for it.
template<typename Text>
void quoteCsvField(Text &text, qsizetype start)
{
    const auto special = [](auto c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; };
    if (std::none_of(text.cbegin() + start, text.cend(), special))
        return;
    Text quoted = text.mid(start);
    quoted.replace("\"", "\"\"");
    text.truncate(start);
    text += '"';
    text += quoted;
    text += '"';
}

// Escapes what JSON asks for in the string text that starts at `start`.
template<typename Text>
void escapeJson(Text &text, qsizetype start)
{
    const auto special = [](auto c) { return c == '"' || c == '\\' || codeOf(c) < 0x20; };
    if (std::none_of(text.cbegin() + start, text.cend(), special))
        return;
    const Text raw = text.mid(start);
    text.truncate(start);
    for (const auto c : raw) {
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (codeOf(c) < 0x20) {
            append(text, QStringLiteral("\\u%1").arg(codeOf(c), 4, 16, QLatin1Char('0')));
        } else {
            text += c;
        }
    }
}

// Ends the JSON string whose text starts at `start`, its opening quote just before it.
template<typename Text>
void closeJsonString(Text &text, qsizetype start)
{
    escapeJson(text, start);
    text += '"';
}

// Copies bytes to `to` and returns the end of the copy.
char *put(char *to, const QByteArray &bytes)
{
    std::memcpy(to, bytes.constData(), std::size_t(bytes.size()));
    return to + bytes.size();
}

char *putNumber(char *to, quint64 value)
{
    return std::to_chars(to, to + 20, value).ptr;
}

} // namespace

FrameTableWriter::FrameTableWriter(Format format, int protocolVersion)
    : m_format(format)
    , m_protocolVersion(protocolVersion)
{
    m_titles.append(QCoreApplication::translate("FrameTableWriter", "No."));
    for (int column = 0; column < FrameText::ColumnCount; ++column)
        m_titles.append(FrameText::columnTitle(column, protocolVersion));
    makeTexts();
}

void FrameTableWriter::setTimeTitle(const QString &title)
{
    m_titles[TimeColumn] = title;
    makeTexts();
}

void FrameTableWriter::setFieldColumns(const FieldColumns &columns)
{
    m_fields = columns;
    m_titles = m_titles.mid(0, FieldsColumn);
    for (int k = 0; k < columns.count(); ++k)
        m_titles.append(columns.title(k));
    makeTexts();
}

QByteArray FrameTableWriter::before(int column) const
{
    if (!isJson())
        return column == 0 ? QByteArray() : QByteArray(m_format == Format::Csv ? "," : "\t");
    QString key = QStringLiteral("\"") + m_titles.at(column);
    closeJsonString(key, 1);
    return (column == 0 ? QByteArray("{") : QByteArray("\",")) + key.toUtf8() + ":\"";
}

void FrameTableWriter::makeTexts()
{
    m_rowStart = before(NumberColumn);
    m_afterNumber = before(TimeColumn);
    switch (m_format) {
    case Format::Tsv:
        m_rowEnd = "\n";
        break;
    case Format::Csv:
        m_rowEnd = "\r\n";
        break;
    case Format::Json:
        m_rowEnd = "\"}";
        break;
    case Format::JsonLines:
        m_rowEnd = "\"}\n";
        break;
    }
    // The cells of the frame's header, as the table shows them: DigRF 3G records carry the
    // header's fields, records of other versions none.
    qsizetype widest = 0;
    for (int header = 0; header < 256; ++header) {
        FrameRecord record = FrameRecord::missing(m_protocolVersion);
        if (m_protocolVersion == 0) {
            record.setPayloadSizeCode(quint8(header >> 5));
            record.setChannelType(quint8((header >> 1) & 0x0F));
            record.setCtsBit(quint8(header & 1));
        }
        QByteArray &cells = m_headerCells[std::size_t(header)];
        cells.clear();
        for (int column = 1; column < 4; ++column) {
            cells += before(TimeColumn + column);
            FrameText::appendCell(cells, record, column, m_protocolVersion);
        }
        cells += before(PayloadColumn);
        widest = qMax(widest, cells.size());
    }
    m_missing.clear();
    FrameText::appendCell(m_missing, FrameRecord::missing(m_protocolVersion), 0,
                          m_protocolVersion);
    m_fieldBefore.clear();
    for (int column = FieldsColumn; column < m_titles.size(); ++column)
        m_fieldBefore.append(before(column));
    // Two for the line break between json rows; a payload takes 5 characters per 2 bytes.
    const qsizetype payload = qsizetype(sizeof(FrameFacts::payload)) * 5 / 2 + 1;
    m_room = 2 + m_rowStart.size() + 20 + m_afterNumber.size() + qMax<qsizetype>(20, m_missing.size())
             + widest + qMax(payload, m_missing.size()) + m_rowEnd.size();
}

void FrameTableWriter::begin(QByteArray &out) const
{
    if (m_format == Format::Json) {
        out += '[';
        return;
    }
    if (m_format == Format::JsonLines)
        return;
    for (int column = 0; column < m_titles.size(); ++column) {
        if (column > 0)
            out += m_format == Format::Csv ? ',' : '\t';
        const qsizetype start = out.size();
        out += m_titles.at(column).toUtf8();
        if (m_format == Format::Csv)
            quoteCsvField(out, start);
    }
    out += m_format == Format::Csv ? "\r\n" : "\n";
}

void FrameTableWriter::row(QByteArray &out, const FrameFacts &frame, const QByteArray *timeCell)
{
    static const auto hexPairs = [] {
        static const char hex[] = "0123456789ABCDEF";
        std::array<std::array<char, 2>, 256> pairs;
        for (int byte = 0; byte < 256; ++byte)
            pairs[std::size_t(byte)] = {hex[byte >> 4], hex[byte & 0x0F]};
        return pairs;
    }();
    const qsizetype at = out.size();
    const qsizetype room = m_room + (timeCell ? timeCell->size() : 0);
    // Grown by doubling: a caller that empties the output keeps its room, so no frame
    // allocates.
    if (out.capacity() - at < room)
        out.reserve(qMax(2 * out.capacity(), at + room));
    out.resize(at + room);
    char *const start = out.data() + at;
    char *to = start;
    if (m_format == Format::Json)
        to = put(to, QByteArray::fromRawData(m_rows == 0 ? "\n" : ",\n", m_rows == 0 ? 1 : 2));
    to = put(to, m_rowStart);
    to = putNumber(to, quint64(frame.number));
    to = put(to, m_afterNumber);
    if (timeCell)
        to = put(to, *timeCell);
    else if (frame.missing)
        to = put(to, m_missing);
    else
        to = putNumber(to, FrameRecord::nsOfTicks(frame.ticks));
    to = put(to, m_headerCells[frame.header]);
    if (frame.missing) {
        to = put(to, m_missing);
    } else {
        // Upper-case hexadecimal digits, a space after every second byte.
        const uchar *bytes = frame.payload.data();
        int i = 0;
        for (; i + 1 < frame.payloadLength; i += 2) {
            std::memcpy(to, hexPairs[bytes[i]].data(), 2);
            std::memcpy(to + 2, hexPairs[bytes[i + 1]].data(), 2);
            to[4] = ' ';
            to += 5;
        }
        if (i < frame.payloadLength) {
            std::memcpy(to, hexPairs[bytes[i]].data(), 2);
            to += 2;
        }
    }
    // Without fields the row is complete here; field cells are texts of their own.
    if (m_fields.count() == 0) {
        to = put(to, m_rowEnd);
        out.resize(at + (to - start));
        ++m_rows;
        return;
    }
    out.resize(at + (to - start));
    // The frame's message is decoded once for all its field columns.
    const int message = m_protocolVersion == 0 && !frame.missing
                            ? m_fields.definitions()->messageOf(frame.header, frame.payload.data(),
                                                                frame.payloadLength)
                            : -1;
    for (int k = 0; k < m_fields.count(); ++k) {
        out += m_fieldBefore.at(k);
        const qsizetype cell = out.size();
        out += m_fields.cell(k, message, frame.payload.data()).toUtf8();
        if (m_format == Format::Csv)
            quoteCsvField(out, cell);
        else if (isJson())
            escapeJson(out, cell);
    }
    out += m_rowEnd;
    ++m_rows;
}

void FrameTableWriter::row(QByteArray &out, qint64 number, const FrameRecord &record,
                           const QByteArray *timeCell)
{
    FrameFacts facts = FrameFacts::fromRecord(record, number);
    // A record that does not say its header has none to show.
    if (record.protocolVersion() != m_protocolVersion)
        facts.header = 0;
    row(out, facts, timeCell);
}

void FrameTableWriter::row(QString &out, qint64 number, const FrameRecord &record,
                           const QString *timeCell)
{
    m_scratch.resize(0);
    if (timeCell) {
        const QByteArray time = timeCell->toUtf8();
        row(m_scratch, number, record, &time);
    } else {
        row(m_scratch, number, record);
    }
    out += QString::fromUtf8(m_scratch);
}

void FrameTableWriter::begin(QString &out) const
{
    QByteArray bytes;
    begin(bytes);
    out += QString::fromUtf8(bytes);
}

void FrameTableWriter::end(QByteArray &out) const
{
    if (m_format == Format::Json)
        out += m_rows == 0 ? "]\n" : "\n]\n";
}

void FrameTableWriter::end(QString &out) const
{
    QByteArray bytes;
    end(bytes);
    out += QString::fromUtf8(bytes);
}

void FrameTableWriter::appendJsonString(QString &out, QStringView text)
{
    out += QLatin1Char('"');
    const qsizetype start = out.size();
    out += text;
    closeJsonString(out, start);
}

} // namespace Korvex
