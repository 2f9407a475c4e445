#ifndef CORE_TEXT_FRAMETABLEWRITER_H
#define CORE_TEXT_FRAMETABLEWRITER_H

#include "core/fields/fieldcolumns.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace Korvex {

class FrameRecord;

/// Writes the frame table as text, frame by frame: tab-separated (lines ended by LF), CSV
/// (RFC 4180, lines ended by CR LF) or JSON (one array of objects keyed by the column titles).
/// drfdump prints through it, the viewer exports and copies through it, so all agree. The text
/// is a QString, or UTF-8 bytes for output that is written as it is made.
class FrameTableWriter
{
public:
    enum class Format { Tsv, Csv, Json };

    FrameTableWriter(Format format, int protocolVersion);

    /// The time column's title when it shows another time than the one since the first frame.
    void setTimeTitle(const QString &title);
    /// Columns of decoded fields to write after the table's own.
    void setFieldColumns(const FieldColumns &columns);

    /// The line of column titles (tsv, csv) or the opening bracket (json).
    void begin(QString &out) const;
    void begin(QByteArray &out) const;
    /// One frame's cells; `timeCell`, if given, stands in the time column instead of the
    /// frame's time since the first frame.
    void row(QString &out, const FrameRecord &record, const QString *timeCell = nullptr);
    void row(QByteArray &out, const FrameRecord &record, const QString *timeCell = nullptr);
    /// The closing bracket (json); nothing otherwise.
    void end(QString &out) const;
    void end(QByteArray &out) const;

    /// Appends the text as a JSON string literal, quoted and escaped.
    static void appendJsonString(QString &out, QStringView text);

private:
    template<typename Text>
    void writeBegin(Text &out) const;
    template<typename Text>
    void writeRow(Text &out, const FrameRecord &record, const QString *timeCell);
    template<typename Text>
    void writeEnd(Text &out) const;
    // The titles quoted as JSON keys, with their colon, made once.
    void makeKeys();
    const QString &key(int column, const QString &) const { return m_keys.at(column); }
    const QByteArray &key(int column, const QByteArray &) const { return m_keyBytes.at(column); }

    Format m_format;
    int m_protocolVersion;
    FieldColumns m_fields;
    QStringList m_titles;
    QStringList m_keys;
    QList<QByteArray> m_keyBytes;
    qint64 m_rows = 0;
};

} // namespace Korvex

#endif // CORE_TEXT_FRAMETABLEWRITER_H
