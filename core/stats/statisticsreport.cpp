// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stats/statisticsreport.h"

#include "core/fields/fielddefinitions.h"
#include "core/fields/fieldtext.h"
#include "core/frames/frameheader.h"
#include "core/stats/capturestatistics.h"
#include "core/stats/fieldstatistics.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <optional>

namespace Korvex {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("StatisticsReport", text);
}

QVariant whole(qint64 value)
{
    return QVariant::fromValue(value);
}

QVariant whole(quint64 value)
{
    return QVariant::fromValue(qint64(value));
}

template <class T>
QVariant maybe(const std::optional<T> &value)
{
    return value ? whole(*value) : QVariant();
}

// Rounded to the decimals the tables show, so that JSON gives the same figures.
QVariant decimal(const std::optional<double> &value, int decimals)
{
    if (!value || !std::isfinite(*value))
        return QVariant();
    const double scale = std::pow(10.0, decimals);
    return std::round(*value * scale) / scale;
}

QVariant frameOrNone(qint64 frame)
{
    return frame >= 0 ? whole(frame) : QVariant();
}

} // namespace

StatisticsReport::StatisticsReport(const CaptureStatistics &stats, const QString &fileName,
                                   const QString &scope)
{
    const bool digRf3G = stats.protocolVersion == 0;
    const std::optional<quint64> duration = stats.durationNs();

    Section summary{QStringLiteral("summary"), tr("Summary"),
                    {{tr("Figure"), QStringLiteral("figure")},
                     // Whole numbers but the rate, which has one decimal.
                     {tr("Value"), QStringLiteral("value"), 1}},
                    {}, {}};
    const auto addFigure = [&summary](const QString &key, const QString &title,
                                      const QVariant &value) {
        summary.rowKeys.append(key);
        summary.rows.append({title, value});
    };
    addFigure(QStringLiteral("file"), tr("File"), fileName);
    addFigure(QStringLiteral("scope"), tr("Frames looked at"), scope);
    addFigure(QStringLiteral("frames"), tr("Frames"), whole(stats.frames));
    addFigure(QStringLiteral("missing_frames"), tr("Frames missing from the file"),
              whole(stats.missing));
    addFigure(QStringLiteral("first_time_ns"), tr("First frame's time [ns]"),
              stats.timed > 0 ? whole(stats.firstNs) : QVariant());
    addFigure(QStringLiteral("last_time_ns"), tr("Last frame's time [ns]"),
              stats.timed > 0 ? whole(stats.lastNs) : QVariant());
    addFigure(QStringLiteral("duration_ns"), tr("Duration [ns]"), maybe(duration));
    addFigure(QStringLiteral("frames_per_second"), tr("Frames per second"),
              decimal(stats.perSecond(stats.frames), 1));
    m_sections.append(summary);

    Section channels{QStringLiteral("channels"), tr("Logical channel types"),
                     {{tr("Type"), QStringLiteral("type")},
                      {tr("Channel"), QStringLiteral("channel")},
                      {tr("Frames"), QStringLiteral("frames")},
                      {tr("Share [%]"), QStringLiteral("share_percent"), 2},
                      {tr("Payload [bytes]"), QStringLiteral("payload_bytes")},
                      {tr("Frames/s"), QStringLiteral("frames_per_second"), 1},
                      {tr("Min gap [ns]"), QStringLiteral("gap_min_ns")},
                      {tr("Mean gap [ns]"), QStringLiteral("gap_mean_ns"), 1},
                      {tr("Max gap [ns]"), QStringLiteral("gap_max_ns")},
                      {tr("Min gap at frame"), QStringLiteral("gap_min_frame")},
                      {tr("Max gap at frame"), QStringLiteral("gap_max_frame")}},
                     {}, {}};
    for (int key = 0; key < CaptureStatistics::Channels; ++key) {
        const ChannelFigures &c = stats.channels[std::size_t(key)];
        if (c.frames == 0)
            continue;
        FrameHeader header;
        header.channelType = quint8(key);
        const bool gaps = c.gaps() > 0;
        channels.rows.append({digRf3G ? whole(qint64(key)) : QVariant(),
                              digRf3G ? header.channelTypeName() : QStringLiteral("not impl"),
                              whole(c.frames), decimal(stats.share(c.frames), 2),
                              whole(c.payloadBytes), decimal(stats.perSecond(c.frames), 1),
                              gaps ? whole(c.minGapNs) : QVariant(),
                              decimal(c.meanGapNs(), 1),
                              gaps ? whole(c.maxGapNs) : QVariant(),
                              frameOrNone(c.minGapFrame), frameOrNone(c.maxGapFrame)});
    }
    m_sections.append(channels);

    Section sizes{QStringLiteral("payload_sizes"), tr("Payload sizes"),
                  {{tr("Payload size [bits]"), QStringLiteral("payload_bits")},
                   {tr("Frames"), QStringLiteral("frames")},
                   {tr("Share [%]"), QStringLiteral("share_percent"), 2}},
                  {}, {}};
    for (int code = 0; code < CaptureStatistics::SizeCodes; ++code) {
        const qint64 count = stats.payloadSizes[std::size_t(code)];
        if (count == 0)
            continue;
        FrameHeader header;
        header.payloadSizeCode = quint8(code);
        sizes.rows.append({whole(qint64(header.payloadSizeBits())), whole(count),
                           decimal(stats.share(count), 2)});
    }
    m_sections.append(sizes);

    Section cts{QStringLiteral("cts"), tr("CTS values"),
                {{tr("CTS"), QStringLiteral("cts")},
                 {tr("Frames"), QStringLiteral("frames")},
                 {tr("Share [%]"), QStringLiteral("share_percent"), 2}},
                {}, {}};
    for (int bit = 0; bit < 2; ++bit) {
        const qint64 count = stats.cts[std::size_t(bit)];
        if (count > 0)
            cts.rows.append({whole(qint64(bit)), whole(count), decimal(stats.share(count), 2)});
    }
    m_sections.append(cts);
}

void StatisticsReport::addFields(const FieldStatistics &fields)
{
    const auto maybeNumber = [](bool defined, double value) {
        return defined ? QVariant(value) : QVariant();
    };
    Section figures{QStringLiteral("fields"), tr("Fields"),
                    {{tr("Message"), QStringLiteral("message")},
                     {tr("Field"), QStringLiteral("field")},
                     {tr("Unit"), QStringLiteral("unit")},
                     {tr("Frames"), QStringLiteral("frames")},
                     {tr("Minimum"), QStringLiteral("minimum"), -1},
                     {tr("Mean"), QStringLiteral("mean"), -1},
                     {tr("Maximum"), QStringLiteral("maximum"), -1}},
                    {}, {}};
    Section names{QStringLiteral("field_values"), tr("Field values"),
                  {{tr("Message"), QStringLiteral("message")},
                   {tr("Field"), QStringLiteral("field")},
                   {tr("Value name"), QStringLiteral("name")},
                   {tr("Frames"), QStringLiteral("frames")},
                   {tr("Share [%]"), QStringLiteral("share_percent"), 2}},
                  {}, {}};
    const FieldDefinitions &definitions = fields.definitions();
    for (int m = 0; m < definitions.messageCount(); ++m) {
        const MessageDefinition &message = definitions.message(m);
        for (int f = 0; f < int(message.fields.size()); ++f) {
            const FieldDefinition &field = message.fields[std::size_t(f)];
            const FieldFigures &figure = fields.figures(m, f);
            const std::optional<double> mean = figure.mean();
            figures.rows.append({message.name, field.name, field.unit, whole(figure.count),
                                 maybeNumber(mean.has_value(), figure.minimum),
                                 mean ? QVariant(*mean) : QVariant(),
                                 maybeNumber(mean.has_value(), figure.maximum)});
            // Values that share a name count together.
            const QStringList valueNames = field.valueNames();
            for (const QString &name : valueNames) {
                qint64 count = 0;
                for (std::size_t v = 0; v < field.values.size(); ++v) {
                    if (field.values[v].second == name)
                        count += figure.named[v];
                }
                const std::optional<double> share =
                    figure.count > 0
                        ? std::optional<double>(100.0 * double(count) / double(figure.count))
                        : std::nullopt;
                names.rows.append({message.name, field.name, name, whole(count),
                                   decimal(share, 2)});
            }
        }
    }
    m_sections.append(figures);
    m_sections.append(names);
}

QString StatisticsReport::text(const QVariant &value, int decimals)
{
    switch (value.typeId()) {
    case QMetaType::Double:
        if (decimals < 0)
            return FieldText::number(value.toDouble());
        return QString::number(value.toDouble(), 'f', decimals);
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    default:
        return value.toString();
    }
}

QString StatisticsReport::toTsv() const
{
    QString out;
    for (const Section &section : m_sections) {
        if (!out.isEmpty())
            out += QLatin1Char('\n');
        QStringList titles;
        for (const Column &column : section.columns)
            titles.append(column.title);
        out += titles.join(QLatin1Char('\t')) + QLatin1Char('\n');
        for (const QVariantList &row : section.rows) {
            QStringList cells;
            for (qsizetype c = 0; c < row.size(); ++c)
                cells.append(text(row.at(c), section.columns.at(c).decimals));
            out += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
        }
    }
    return out;
}

namespace {

// The summary's figures by name.
QJsonObject figuresOf(const StatisticsReport::Section &section)
{
    QJsonObject figures;
    for (qsizetype r = 0; r < section.rows.size(); ++r)
        figures.insert(section.rowKeys.at(r), QJsonValue::fromVariant(section.rows.at(r).at(1)));
    return figures;
}

// One row of a table, by the names of its columns.
QJsonObject rowOf(const StatisticsReport::Section &section, const QVariantList &row)
{
    QJsonObject object;
    for (qsizetype c = 0; c < row.size(); ++c)
        object.insert(section.columns.at(c).key, QJsonValue::fromVariant(row.at(c)));
    return object;
}

} // namespace

QByteArray StatisticsReport::toJson() const
{
    QJsonObject document;
    for (const Section &section : m_sections) {
        if (!section.rowKeys.isEmpty()) {
            document.insert(section.key, figuresOf(section));
            continue;
        }
        QJsonArray rows;
        for (const QVariantList &row : section.rows)
            rows.append(rowOf(section, row));
        document.insert(section.key, rows);
    }
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

QByteArray StatisticsReport::toJsonLines() const
{
    QByteArray lines;
    const auto line = [&lines](QJsonObject object, const QString &table) {
        object.insert(QStringLiteral("table"), table);
        lines += QJsonDocument(object).toJson(QJsonDocument::Compact);
        lines += '\n';
    };
    for (const Section &section : m_sections) {
        if (!section.rowKeys.isEmpty()) {
            line(figuresOf(section), section.key);
            continue;
        }
        for (const QVariantList &row : section.rows)
            line(rowOf(section, row), section.key);
    }
    return lines;
}

} // namespace Korvex
