#include "views/frametablewriter.h"

#include "views/frametext.h"

namespace Korvex {

namespace {

bool needsCsvQuotes(QStringView field)
{
    for (const QChar c : field) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

// Quotes the field that starts at `start` in the text when RFC 4180 asks for it.
void quoteCsvField(QString &text, qsizetype start)
{
    if (!needsCsvQuotes(QStringView(text).mid(start)))
        return;
    QString field = text.mid(start);
    field.replace(QLatin1String("\""), QLatin1String("\"\""));
    text.truncate(start);
    text += QLatin1Char('"');
    text += field;
    text += QLatin1Char('"');
}

// Makes the text from `start` on a JSON string literal.
void quoteJsonString(QString &text, qsizetype start)
{
    bool plain = true;
    for (const QChar c : QStringView(text).mid(start))
        plain = plain && c != u'"' && c != u'\\' && c.unicode() >= 0x20;
    if (plain) {
        text.insert(start, QLatin1Char('"'));
        text += QLatin1Char('"');
        return;
    }
    const QString field = text.mid(start);
    text.truncate(start);
    text += QLatin1Char('"');
    for (const QChar c : field) {
        if (c == u'"' || c == u'\\') {
            text += QLatin1Char('\\');
            text += c;
        } else if (c.unicode() < 0x20) {
            text += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            text += c;
        }
    }
    text += QLatin1Char('"');
}

} // namespace

FrameTableWriter::FrameTableWriter(Format format, int protocolVersion)
    : m_format(format)
    , m_protocolVersion(protocolVersion)
{
    for (int column = 0; column < FrameText::ColumnCount; ++column) {
        QString title = FrameText::columnTitle(column, protocolVersion);
        if (format == Format::Json) {
            quoteJsonString(title, 0);
            title += QLatin1Char(':');
        }
        m_titles.append(title);
    }
}

void FrameTableWriter::begin(QString &out) const
{
    if (m_format == Format::Json) {
        out += QLatin1Char('[');
        return;
    }
    for (int column = 0; column < FrameText::ColumnCount; ++column) {
        if (column > 0)
            out += m_format == Format::Csv ? QLatin1Char(',') : QLatin1Char('\t');
        const qsizetype start = out.size();
        out += m_titles.at(column);
        if (m_format == Format::Csv)
            quoteCsvField(out, start);
    }
    out += QLatin1String(m_format == Format::Csv ? "\r\n" : "\n");
}

void FrameTableWriter::row(QString &out, const FrameRecord &record)
{
    if (m_format == Format::Json) {
        out += QLatin1String(m_rows == 0 ? "\n{" : ",\n{");
        for (int column = 0; column < FrameText::ColumnCount; ++column) {
            if (column > 0)
                out += QLatin1Char(',');
            out += m_titles.at(column);
            const qsizetype start = out.size();
            FrameText::appendCell(out, record, column, m_protocolVersion);
            quoteJsonString(out, start);
        }
        out += QLatin1Char('}');
    } else {
        for (int column = 0; column < FrameText::ColumnCount; ++column) {
            if (column > 0)
                out += m_format == Format::Csv ? QLatin1Char(',') : QLatin1Char('\t');
            const qsizetype start = out.size();
            FrameText::appendCell(out, record, column, m_protocolVersion);
            if (m_format == Format::Csv)
                quoteCsvField(out, start);
        }
        out += QLatin1String(m_format == Format::Csv ? "\r\n" : "\n");
    }
    ++m_rows;
}

void FrameTableWriter::end(QString &out) const
{
    if (m_format == Format::Json)
        out += QLatin1String(m_rows == 0 ? "]\n" : "\n]\n");
}

} // namespace Korvex
