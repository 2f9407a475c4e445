#ifndef VIEWS_FRAMETABLEWRITER_H
#define VIEWS_FRAMETABLEWRITER_H

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace Korvex {

class FrameRecord;

/// Writes the frame table as text, frame by frame: tab-separated (lines ended by LF), CSV
/// (RFC 4180, lines ended by CR LF) or JSON (one array of objects keyed by the column titles).
/// drfdump prints through it, the viewer exports and copies through it, so all agree.
class FrameTableWriter
{
public:
    enum class Format { Tsv, Csv, Json };

    FrameTableWriter(Format format, int protocolVersion);

    /// The line of column titles (tsv, csv) or the opening bracket (json).
    void begin(QString &out) const;
    /// One frame's cells.
    void row(QString &out, const FrameRecord &record);
    /// The closing bracket (json); nothing otherwise.
    void end(QString &out) const;

private:
    Format m_format;
    int m_protocolVersion;
    // The titles, quoted as keys for json.
    QStringList m_titles;
    qint64 m_rows = 0;
};

} // namespace Korvex

#endif // VIEWS_FRAMETABLEWRITER_H
