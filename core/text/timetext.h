// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_TEXT_TIMETEXT_H
#define CORE_TEXT_TIMETEXT_H

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <array>
#include <optional>

namespace Korvex {

/// What the frame table's time column shows.
enum class TimeMode : quint8 {
    SinceFirst,     // time since the first frame of the capture
    DeltaPrevious,  // time since the frame before it in the file
    DeltaDisplayed, // time since the row above it in the table
    DeltaChannel,   // time since the frame before it of the same logical channel type
    SinceReference, // time since the reference frame (the first frame while none is set)
};

/// The texts of the time column in each of its modes, shared by the viewer's table and drfdump.
/// Every time is shown in whole nanoseconds; a difference is that of the two frames' times as
/// the column "Time [ns]" shows them, so that a user's own subtraction agrees with it.
namespace TimeText {

constexpr std::array<TimeMode, 5> Modes = {TimeMode::SinceFirst, TimeMode::DeltaPrevious,
                                           TimeMode::DeltaDisplayed, TimeMode::DeltaChannel,
                                           TimeMode::SinceReference};

/// The mode's name in the settings and on drfdump's command line: first, delta, displayed,
/// channel, reference.
QString key(TimeMode mode);
std::optional<TimeMode> modeOf(QStringView key);

/// The mode's entry in the View menu.
QString menuText(TimeMode mode);

/// The column's title: "Time [ns]", "Δ Time [ns]", "Δ Displayed [ns]", "Δ Channel [ns]" or
/// "Time since frame N [ns]", where N is the reference (0 while none is set, -1) and a reference
/// that the table does not show is said to be hidden.
QString columnTitle(TimeMode mode, qint64 reference, bool referenceShown);

/// Appends the time of a frame less the time it counts from, in nanoseconds (negative before
/// it); nothing when there is nothing to count from (the first frame of a delta).
void appendSince(QString &out, quint64 ticks, std::optional<quint64> fromTicks);
void appendSince(QByteArray &out, quint64 ticks, std::optional<quint64> fromTicks);

/// What the time column's value is, for the detail panel beside the time since the first frame:
/// "Δ to previous frame", "Δ to previous displayed frame", "Δ to previous frame of its channel",
/// "since frame N" (N the reference, 0 while none is set); empty for the time since the first
/// frame.
QString shownName(TimeMode mode, qint64 reference);

/// Nanoseconds (a mean may have decimals) in the largest unit up to seconds that leaves a whole
/// part, with three decimals and digits grouped as the user's locale groups them: "999 ns",
/// "99.5 ns", "1.235 ms", "88.000 µs", "1,234.500 s". For tables of figures, where the exact
/// number of nanoseconds matters less than reading them at a glance.
QString brief(double ns);

/// Nanoseconds in the largest unit (up to seconds) that leaves a whole part, every digit kept,
/// the decimals grouped by three and trailing groups of zeros left out: "999 ns",
/// "1.234 567 ms", "1.000 200 s", "-12 s".
QString readable(qint64 ns);

} // namespace TimeText

} // namespace Korvex

#endif // CORE_TEXT_TIMETEXT_H
