// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_STATS_CAPTURESTATISTICS_H
#define CORE_STATS_CAPTURESTATISTICS_H

#include <QtGlobal>

#include <array>
#include <optional>

namespace Korvex {

/// The figures of one logical channel type over the frames a statistics pass looked at. Times
/// are the frames' times in whole nanoseconds as the table shows them; a gap is the time from a
/// frame of the channel to the next one of the same channel, and belongs to the later frame.
struct ChannelFigures
{
    qint64 frames = 0;
    qint64 payloadBytes = 0;
    /// Frames with a time: all but those no longer in the file.
    qint64 timed = 0;
    quint64 firstNs = 0;
    quint64 lastNs = 0;
    /// The first frame with a time, whose gap lies before what was looked at.
    qint64 firstFrame = -1;
    quint64 minGapNs = 0;
    quint64 maxGapNs = 0;
    qint64 minGapFrame = -1;
    qint64 maxGapFrame = -1;

    qint64 gaps() const { return timed > 1 ? timed - 1 : 0; }
    /// The mean gap; none with fewer than two timed frames. The gaps add up to the time from
    /// the first frame to the last, so no sum is kept.
    std::optional<double> meanGapNs() const
    {
        return gaps() > 0 ? std::optional<double>(double(lastNs - firstNs) / double(gaps()))
                          : std::nullopt;
    }
};

/// What a statistics pass found over a capture's frames (all of them or those displayed).
struct CaptureStatistics
{
    /// Channel keys: the 16 DigRF 3G channel types, or key 0 alone outside DigRF 3G.
    static constexpr int Channels = 16;
    /// Payload size codes 0 to 7.
    static constexpr int SizeCodes = 8;

    int protocolVersion = 0;
    qint64 frames = 0;
    /// Frames the index knows but whose bytes are no longer in the file: counted with their
    /// channel, size and CTS, left out of every time.
    qint64 missing = 0;
    qint64 timed = 0;
    quint64 firstNs = 0;
    quint64 lastNs = 0;
    std::array<ChannelFigures, Channels> channels;
    std::array<qint64, SizeCodes> payloadSizes{};
    std::array<qint64, 2> cts{};

    /// From the first timed frame to the last; none without a timed frame.
    std::optional<quint64> durationNs() const
    {
        return timed > 0 ? std::optional<quint64>(lastNs - firstNs) : std::nullopt;
    }
    /// `count` frames over the duration; none when the duration is 0 or unknown.
    std::optional<double> perSecond(qint64 count) const
    {
        const std::optional<quint64> duration = durationNs();
        return duration && *duration > 0
                   ? std::optional<double>(double(count) * 1e9 / double(*duration))
                   : std::nullopt;
    }
    /// `count` as a percentage of all frames; none without frames.
    std::optional<double> share(qint64 count) const
    {
        return frames > 0 ? std::optional<double>(100.0 * double(count) / double(frames))
                          : std::nullopt;
    }
};

} // namespace Korvex

#endif // CORE_STATS_CAPTURESTATISTICS_H
