#include "core/text/frametablewriter.h"

#include "core/text/frametext.h"

#include "core/frames/framerecord.h"

#include <algorithm>
#include <type_traits>

namespace Korvex {

namespace {

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

// Ends the JSON string whose text starts at `start`, its opening quote just before it,
// escaping what JSON asks for.
template<typename Text>
void closeJsonString(Text &text, qsizetype start)
{
    const auto special = [](auto c) { return c == '"' || c == '\\' || codeOf(c) < 0x20; };
    if (std::any_of(text.cbegin() + start, text.cend(), special)) {
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
    text += '"';
}

} // namespace

FrameTableWriter::FrameTableWriter(Format format, int protocolVersion)
    : m_format(format)
    , m_protocolVersion(protocolVersion)
{
    for (int column = 0; column < FrameText::ColumnCount; ++column)
        m_titles.append(FrameText::columnTitle(column, protocolVersion));
    makeKeys();
}

void FrameTableWriter::setTimeTitle(const QString &title)
{
    m_titles[0] = title;
    makeKeys();
}

void FrameTableWriter::setFieldColumns(const FieldColumns &columns)
{
    m_fields = columns;
    m_titles = m_titles.mid(0, FrameText::ColumnCount);
    for (int k = 0; k < columns.count(); ++k)
        m_titles.append(columns.title(k));
    makeKeys();
}

void FrameTableWriter::makeKeys()
{
    m_keys.clear();
    m_keyBytes.clear();
    for (const QString &title : std::as_const(m_titles)) {
        QString key = QStringLiteral("\"") + title;
        closeJsonString(key, 1);
        key += QLatin1Char(':');
        m_keys.append(key);
        m_keyBytes.append(key.toUtf8());
    }
}

template<typename Text>
void FrameTableWriter::writeBegin(Text &out) const
{
    if (m_format == Format::Json) {
        out += '[';
        return;
    }
    for (int column = 0; column < m_titles.size(); ++column) {
        if (column > 0)
            out += m_format == Format::Csv ? ',' : '\t';
        const qsizetype start = out.size();
        append(out, m_titles.at(column));
        if (m_format == Format::Csv)
            quoteCsvField(out, start);
    }
    out += m_format == Format::Csv ? "\r\n" : "\n";
}

template<typename Text>
void FrameTableWriter::writeRow(Text &out, const FrameRecord &record, const QString *timeCell)
{
    // The frame's message is decoded once for all its field columns.
    const int message = m_fields.count() > 0 ? m_fields.messageOf(record) : -1;
    const QByteArray payload = message >= 0 ? record.payload() : QByteArray();
    const auto cell = [&](int column) {
        if (column == 0 && timeCell)
            append(out, *timeCell);
        else if (column >= FrameText::ColumnCount)
            append(out, m_fields.cell(column - FrameText::ColumnCount, message,
                                      reinterpret_cast<const uchar *>(payload.constData())));
        else
            FrameText::appendCell(out, record, column, m_protocolVersion);
    };
    if (m_format == Format::Json) {
        out += m_rows == 0 ? "\n{" : ",\n{";
        for (int column = 0; column < m_titles.size(); ++column) {
            if (column > 0)
                out += ',';
            out += key(column, out);
            out += '"';
            const qsizetype start = out.size();
            cell(column);
            closeJsonString(out, start);
        }
        out += '}';
    } else {
        for (int column = 0; column < m_titles.size(); ++column) {
            if (column > 0)
                out += m_format == Format::Csv ? ',' : '\t';
            const qsizetype start = out.size();
            cell(column);
            if (m_format == Format::Csv)
                quoteCsvField(out, start);
        }
        out += m_format == Format::Csv ? "\r\n" : "\n";
    }
    ++m_rows;
}

template<typename Text>
void FrameTableWriter::writeEnd(Text &out) const
{
    if (m_format == Format::Json)
        out += m_rows == 0 ? "]\n" : "\n]\n";
}

void FrameTableWriter::begin(QString &out) const
{
    writeBegin(out);
}

void FrameTableWriter::begin(QByteArray &out) const
{
    writeBegin(out);
}

void FrameTableWriter::row(QString &out, const FrameRecord &record, const QString *timeCell)
{
    writeRow(out, record, timeCell);
}

void FrameTableWriter::row(QByteArray &out, const FrameRecord &record, const QString *timeCell)
{
    writeRow(out, record, timeCell);
}

void FrameTableWriter::end(QString &out) const
{
    writeEnd(out);
}

void FrameTableWriter::end(QByteArray &out) const
{
    writeEnd(out);
}

void FrameTableWriter::appendJsonString(QString &out, QStringView text)
{
    out += QLatin1Char('"');
    const qsizetype start = out.size();
    out += text;
    closeJsonString(out, start);
}

} // namespace Korvex
