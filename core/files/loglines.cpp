// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/loglines.h"

#include "core/files/loggedframes.h"

#include <QCoreApplication>

#include <algorithm>
#include <mutex>

namespace Korvex {

void LogLines::append(const QString &text, LogLevel level)
{
    const std::unique_lock lock(m_lock);
    appendLine(text, level);
}

void LogLines::appendFrames(const std::shared_ptr<const LoggedFrames> &frames, qint64 first,
                            qint64 count)
{
    const std::unique_lock lock(m_lock);
    appendRun(frames, first, count);
}

void LogLines::append(const LogLines &other)
{
    std::shared_lock theirs(other.m_lock, std::defer_lock);
    std::unique_lock mine(m_lock, std::defer_lock);
    std::lock(theirs, mine);
    std::size_t line = 0;
    const auto appendLinesUpTo = [&](std::size_t end) {
        for (; line < end; ++line)
            appendLine(other.lineText(line), other.m_levels[line]);
    };
    for (const Run &run : other.m_runs) {
        appendLinesUpTo(std::size_t(run.linesBefore));
        appendRun(run.frames, run.first, run.count);
    }
    appendLinesUpTo(other.m_levels.size());
}

qint64 LogLines::size() const
{
    const std::shared_lock lock(m_lock);
    return rows();
}

qint64 LogLines::problems() const
{
    const std::shared_lock lock(m_lock);
    return m_problems;
}

void LogLines::appendLine(const QString &text, LogLevel level)
{
    m_text += text;
    m_ends.push_back(m_text.size());
    m_levels.push_back(level);
    if (level != LogLevel::Info)
        ++m_problems;
}

void LogLines::appendRun(const std::shared_ptr<const LoggedFrames> &frames, qint64 first,
                         qint64 count)
{
    if (count <= 0)
        return;
    const qint64 lines = qint64(m_levels.size());
    if (!m_runs.empty()) {
        Run &last = m_runs.back();
        if (last.frames == frames && last.first + last.count == first
            && last.row + last.count == rows()) {
            last.count += count;
            m_frameLines += count;
            return;
        }
    }
    m_runs.push_back({rows(), lines, frames, first, count});
    m_frameLines += count;
}

QString LogLines::lineText(std::size_t line) const
{
    const qsizetype begin = line == 0 ? 0 : m_ends[line - 1];
    return m_text.mid(begin, m_ends[line] - begin);
}

void LogLines::clear()
{
    const std::unique_lock lock(m_lock);
    m_text.clear();
    m_text.squeeze();
    m_ends = {};
    m_levels = {};
    m_runs = {};
    m_frameLines = 0;
    m_problems = 0;
}

const LogLines::Run *LogLines::runBefore(qint64 row) const
{
    const auto after = std::upper_bound(m_runs.begin(), m_runs.end(), row,
                                        [](qint64 r, const Run &run) { return r < run.row; });
    return after == m_runs.begin() ? nullptr : &*(after - 1);
}

qint64 LogLines::lineOf(qint64 row, const Run *run) const
{
    return run ? row - (run->row - run->linesBefore) - run->count : row;
}

LogLines::Line LogLines::at(qint64 row) const
{
    const std::shared_lock lock(m_lock);
    if (row < 0 || row >= rows())
        return {};
    const Run *run = runBefore(row);
    if (run && row < run->row + run->count) {
        const qint64 frame = run->first + (row - run->row);
        return {frameLine(frame + 1, run->frames->loggedPayloadBytes(frame)), LogLevel::Info};
    }
    const auto line = std::size_t(lineOf(row, run));
    return {lineText(line), m_levels[line]};
}

LogLevel LogLines::level(qint64 row) const
{
    const std::shared_lock lock(m_lock);
    if (row < 0 || row >= rows())
        return LogLevel::Info;
    const Run *run = runBefore(row);
    if (run && row < run->row + run->count)
        return LogLevel::Info;
    return m_levels[std::size_t(lineOf(row, run))];
}

namespace {

/// The frame line's pattern, split at its two numbers once, so that a hundred million lines
/// are written without parsing it again for each.
struct FrameLinePattern
{
    FrameLinePattern()
    {
        const QString pattern =
            QCoreApplication::translate("Framescope", "Frame %1: payload size %2 bytes");
        const qsizetype first = pattern.indexOf(QLatin1String("%1"));
        const qsizetype second = pattern.indexOf(QLatin1String("%2"));
        // A pattern with its markers in another order or with more of them takes QString::arg.
        simple = first >= 0 && second > first + 1 && pattern.count(QLatin1Char('%')) == 2;
        whole = pattern;
        if (simple) {
            before = pattern.left(first);
            between = pattern.mid(first + 2, second - first - 2);
            after = pattern.mid(second + 2);
        }
    }

    QString whole, before, between, after;
    bool simple = false;
};

} // namespace

QString LogLines::frameLine(qint64 number, int payloadBytes)
{
    QString line;
    appendFrameLine(line, number, payloadBytes);
    return line;
}

void LogLines::appendFrameLine(QString &out, qint64 number, int payloadBytes)
{
    static const FrameLinePattern pattern;
    if (!pattern.simple) {
        out += pattern.whole.arg(number).arg(payloadBytes);
        return;
    }
    out += pattern.before;
    out += QString::number(qMax<qint64>(0, number));
    out += pattern.between;
    out += QString::number(qMax(0, payloadBytes));
    out += pattern.after;
}

} // namespace Korvex
