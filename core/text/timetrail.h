// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_TEXT_TIMETRAIL_H
#define CORE_TEXT_TIMETRAIL_H

#include "core/text/timetext.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

namespace Korvex {

/// The time column for frames that come one after another in file order, as drfdump streams
/// them: it keeps the times it needs of the frames before (the last one, the last of each
/// channel type) and prints each cell exactly as TimeColumn does for a table of every frame.
class TimeTrail
{
public:
    /// `referenceTicks`: the time of the reference frame, for "time since the reference frame".
    TimeTrail(TimeMode mode, int protocolVersion, quint64 referenceTicks = 0);

    /// Appends the cell of the next frame, given its header byte and time, and takes it in.
    void appendCell(QString &out, quint8 header, quint64 ticks);
    void appendCell(QByteArray &out, quint8 header, quint64 ticks);

private:
    template<typename Text>
    void writeCell(Text &out, quint8 header, quint64 ticks);

    TimeMode m_mode;
    int m_protocolVersion;
    quint64 m_referenceTicks;
    std::optional<quint64> m_previous;
    std::array<std::optional<quint64>, 16> m_channels;
};

} // namespace Korvex

#endif // CORE_TEXT_TIMETRAIL_H
