// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_STATS_FIELDSTATISTICS_H
#define CORE_STATS_FIELDSTATISTICS_H

#include <QtGlobal>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace Korvex {

class FieldDefinitions;

/// The figures of one field over the frames of its message: how many, the smallest, mean and
/// largest physical value, and how many frames gave each of its named values.
struct FieldFigures
{
    qint64 count = 0;
    double minimum = 0;
    double maximum = 0;
    /// The sum of the values, with the part lost to rounding kept apart (Neumaier), so that
    /// the mean of a hundred million values stays exact to the last digits.
    double sum = 0;
    double lost = 0;
    /// Frames per entry of the field's value names, in the same order.
    std::vector<qint64> named;

    std::optional<double> mean() const
    {
        return count > 0 ? std::optional<double>((sum + lost) / double(count)) : std::nullopt;
    }
};

/// Gathers the figures of every field of a set of definitions from frames taken one at a time:
/// the statistics window and drfdump --stats feed it the frames they look at.
class FieldStatistics
{
public:
    explicit FieldStatistics(std::shared_ptr<const FieldDefinitions> definitions);

    /// Takes in one frame: its header byte and its payload in dump order.
    void add(quint8 header, const uchar *payload, int length);

    /// Takes in the figures of the same definitions over other frames. The means agree with
    /// those of one pass to the last bit or so: the sums are added as two, not value by value.
    void merge(const FieldStatistics &other);

    /// Whether a frame of this header byte may be a message at all: only those need their
    /// payload taken out for add().
    bool mayBeMessage(quint8 header) const { return m_mayBe[header]; }

    const FieldDefinitions &definitions() const { return *m_definitions; }
    /// Frames that were the message.
    qint64 frames(int message) const { return m_frames[std::size_t(message)]; }
    const FieldFigures &figures(int message, int field) const
    {
        return m_figures[std::size_t(message)][std::size_t(field)];
    }

private:
    std::shared_ptr<const FieldDefinitions> m_definitions;
    std::vector<qint64> m_frames;
    std::vector<std::vector<FieldFigures>> m_figures;
    std::array<bool, 256> m_mayBe{};
};

} // namespace Korvex

#endif // CORE_STATS_FIELDSTATISTICS_H
