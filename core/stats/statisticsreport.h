// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_STATS_STATISTICSREPORT_H
#define CORE_STATS_STATISTICSREPORT_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace Korvex {

struct CaptureStatistics;
class FieldStatistics;

/// The statistics of a capture as tables of figures: a summary, the logical channel types, the
/// payload sizes and the CTS values. The statistics window shows these tables and copies them
/// as text; drfdump --stats prints the same text (tsv) or the same figures in JSON. A figure
/// that is not defined (a rate over no time, a gap of a single frame) is left empty, null in
/// JSON: never a NaN or an infinity.
class StatisticsReport
{
public:
    struct Column
    {
        QString title;
        /// The figure's name in JSON.
        QString key;
        /// Decimals of a figure that is not whole; -1 for the shortest text that reads back as
        /// the same number.
        int decimals = 0;
    };

    /// A figure is a whole number (qint64), a number with decimals (double), a text, or
    /// nothing (an invalid QVariant) where it is not defined.
    struct Section
    {
        QString key;
        QString title;
        QList<Column> columns;
        QList<QVariantList> rows;
        /// The summary's figures have names of their own in JSON; empty for a list.
        QStringList rowKeys;
    };

    enum SectionIndex { Summary, Channels, PayloadSizes, Cts };

    /// `scope` says which frames were looked at ("All frames", "Displayed frames").
    StatisticsReport(const CaptureStatistics &stats, const QString &fileName,
                     const QString &scope);

    /// Adds the tables of decoded fields: per field its frames and the minimum, mean and
    /// maximum of its physical value, and per value name its frames.
    void addFields(const FieldStatistics &fields);

    const QList<Section> &sections() const { return m_sections; }
    const Section &section(SectionIndex index) const { return m_sections.at(index); }

    /// A figure as the tables show it: digits only, a fixed number of decimals.
    static QString text(const QVariant &value, int decimals);

    /// Every table with its column titles on a first line, cells joined by TAB, lines ended by
    /// LF and tables parted by an empty line.
    QString toTsv() const;
    /// One object: the summary's figures by name, each table as an array of objects.
    QByteArray toJson() const;
    /// JSON Lines: one object per line, with the table's name under "table"; the summary is
    /// one object of its figures by name, every other table one object per row.
    QByteArray toJsonLines() const;

private:
    QList<Section> m_sections;
};

} // namespace Korvex

#endif // CORE_STATS_STATISTICSREPORT_H
