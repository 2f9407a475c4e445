// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_TEXT_FRAMETABLEWRITER_H
#define CORE_TEXT_FRAMETABLEWRITER_H

#include "core/fields/fieldcolumns.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>

namespace Korvex {

class FrameRecord;
struct FrameFacts;

/// Writes the frame table as text, frame by frame: tab-separated (lines ended by LF), CSV
/// (RFC 4180, lines ended by CR LF), JSON (one array of objects keyed by the column titles) or
/// JSON Lines (one such object per line). The frame number comes first, titled "No." as the
/// table's row header shows it. drfdump prints through it, the viewer exports and copies
/// through it, so all agree. Rows are written as UTF-8 bytes straight into the output, the
/// texts that depend on the header alone made once: no text is built per frame.
class FrameTableWriter
{
public:
    enum class Format { Tsv, Csv, Json, JsonLines };

    FrameTableWriter(Format format, int protocolVersion);

    /// The time column's title when it shows another time than the one since the first frame.
    void setTimeTitle(const QString &title);
    /// Columns of decoded fields to write after the table's own.
    void setFieldColumns(const FieldColumns &columns);

    /// The line of column titles (tsv, csv), the opening bracket (json), nothing (jsonl).
    void begin(QByteArray &out) const;
    void begin(QString &out) const;
    /// One frame's cells; `timeCell`, if given, stands in the time column instead of the
    /// frame's time since the first frame.
    void row(QByteArray &out, const FrameFacts &frame, const QByteArray *timeCell = nullptr);
    void row(QByteArray &out, qint64 number, const FrameRecord &record,
             const QByteArray *timeCell = nullptr);
    void row(QString &out, qint64 number, const FrameRecord &record,
             const QString *timeCell = nullptr);
    /// The closing bracket (json); nothing otherwise.
    void end(QByteArray &out) const;
    void end(QString &out) const;

    /// Appends the text as a JSON string literal, quoted and escaped.
    static void appendJsonString(QString &out, QStringView text);

private:
    // Makes the texts between cells and the header cells of every header byte.
    void makeTexts();
    bool isJson() const { return m_format == Format::Json || m_format == Format::JsonLines; }
    // What comes before column `column`'s cell: a separator, or for json the key and quote.
    QByteArray before(int column) const;

    Format m_format;
    int m_protocolVersion;
    FieldColumns m_fields;
    QStringList m_titles;
    // Before the frame number, between it and the time, after the payload.
    QByteArray m_rowStart;
    QByteArray m_afterNumber;
    QByteArray m_rowEnd;
    // Per header byte: the cells Frame, CTS and Payload Size with what surrounds them.
    std::array<QByteArray, 256> m_headerCells;
    QByteArray m_missing;
    QList<QByteArray> m_fieldBefore;
    QByteArray m_scratch;
    qsizetype m_room = 0;
    qint64 m_rows = 0;
};

} // namespace Korvex

#endif // CORE_TEXT_FRAMETABLEWRITER_H
