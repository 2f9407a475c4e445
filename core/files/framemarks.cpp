// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/framemarks.h"

#include <algorithm>

namespace Korvex {

QString FrameMarks::note(qint64 frame) const
{
    const auto mark = m_marks.find(frame);
    return mark == m_marks.end() ? QString() : mark->second;
}

void FrameMarks::mark(qint64 frame)
{
    m_marks.emplace(frame, QString());
}

void FrameMarks::unmark(qint64 frame)
{
    m_marks.erase(frame);
}

void FrameMarks::toggle(const std::vector<qint64> &frames)
{
    const bool allMarked = std::all_of(frames.begin(), frames.end(),
                                       [this](qint64 frame) { return isMarked(frame); });
    for (qint64 frame : frames) {
        if (allMarked)
            unmark(frame);
        else
            mark(frame);
    }
}

void FrameMarks::setNote(qint64 frame, const QString &note)
{
    QString line = note;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_marks[frame] = line;
}

qint64 FrameMarks::next(qint64 frame) const
{
    const auto after = m_marks.upper_bound(frame);
    return after == m_marks.end() ? -1 : after->first;
}

qint64 FrameMarks::previous(qint64 frame) const
{
    auto at = m_marks.lower_bound(frame);
    if (at == m_marks.begin())
        return -1;
    return (--at)->first;
}

bool FrameMarks::anyIn(qint64 first, qint64 last) const
{
    const auto at = m_marks.lower_bound(first);
    return at != m_marks.end() && at->first <= last;
}

} // namespace Korvex
