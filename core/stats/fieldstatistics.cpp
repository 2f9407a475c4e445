// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stats/fieldstatistics.h"

#include "core/fields/fielddefinitions.h"

#include <cmath>

namespace Korvex {

FieldStatistics::FieldStatistics(std::shared_ptr<const FieldDefinitions> definitions)
    : m_definitions(std::move(definitions))
{
    for (const MessageDefinition &message : m_definitions->messages()) {
        m_frames.push_back(0);
        std::vector<FieldFigures> fields(message.fields.size());
        for (std::size_t f = 0; f < fields.size(); ++f)
            fields[f].named.assign(message.fields[f].values.size(), 0);
        m_figures.push_back(std::move(fields));
    }
    for (int header = 0; header < 256; ++header) {
        for (int message = 0; message < m_definitions->messageCount(); ++message)
            m_mayBe[std::size_t(header)] |= m_definitions->mayBe(message, quint8(header));
    }
}

namespace {

// Adds a value to a sum, keeping the part lost to rounding apart (Neumaier).
void addTo(FieldFigures &figure, double value)
{
    const double sum = figure.sum + value;
    figure.lost += std::abs(figure.sum) >= std::abs(value) ? (figure.sum - sum) + value
                                                           : (value - sum) + figure.sum;
    figure.sum = sum;
}

} // namespace

void FieldStatistics::merge(const FieldStatistics &other)
{
    for (std::size_t message = 0; message < m_figures.size(); ++message) {
        m_frames[message] += other.m_frames[message];
        for (std::size_t f = 0; f < m_figures[message].size(); ++f) {
            FieldFigures &figure = m_figures[message][f];
            const FieldFigures &more = other.m_figures[message][f];
            if (more.count == 0)
                continue;
            if (figure.count == 0) {
                figure = more;
                continue;
            }
            figure.count += more.count;
            figure.minimum = qMin(figure.minimum, more.minimum);
            figure.maximum = qMax(figure.maximum, more.maximum);
            addTo(figure, more.sum);
            figure.lost += more.lost;
            for (std::size_t v = 0; v < figure.named.size(); ++v)
                figure.named[v] += more.named[v];
        }
    }
}

void FieldStatistics::add(quint8 header, const uchar *payload, int length)
{
    const int message = m_definitions->messageOf(header, payload, length);
    if (message < 0)
        return;
    ++m_frames[std::size_t(message)];
    const std::vector<FieldDefinition> &fields = m_definitions->message(message).fields;
    std::vector<FieldFigures> &figures = m_figures[std::size_t(message)];
    for (std::size_t f = 0; f < fields.size(); ++f) {
        const FieldDefinition &field = fields[f];
        FieldFigures &figure = figures[f];
        const quint64 raw = field.layout.raw(payload);
        const double value = field.layout.physical(raw);
        if (figure.count++ == 0) {
            figure.minimum = value;
            figure.maximum = value;
        } else {
            figure.minimum = qMin(figure.minimum, value);
            figure.maximum = qMax(figure.maximum, value);
        }
        addTo(figure, value);
        if (const int named = field.valueIndex(raw); named >= 0)
            ++figure.named[std::size_t(named)];
    }
}

} // namespace Korvex
