// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_LOGLINES_H
#define CORE_FILES_LOGLINES_H

#include <QString>
#include <QtGlobal>

#include <memory>
#include <shared_mutex>
#include <vector>

namespace Korvex {

class LoggedFrames;

/// Severity of one line of the load log: the viewer paints information white, warnings dark
/// yellow and errors (an aborted load, a file that cannot be opened) red.
enum class LogLevel : quint8 { Info, Warning, Error };

/// The lines of a load log, in order. Ordinary lines are kept as text; the line every loaded
/// frame gets ("Frame %1: payload size %2 bytes") is made from the frame index when asked for,
/// so a hundred million frames cost no text at all. A line may be added on one thread while
/// another reads the log (a pass over the frames finds them gone while the log is shown).
class LogLines
{
public:
    struct Line
    {
        QString text;
        LogLevel level = LogLevel::Info;
    };

    void append(const QString &text, LogLevel level);
    /// Appends the lines of the frames from `first` on, `count` of them (a capture's index).
    /// Called again for the same frames and the ones right after, it lengthens the last run.
    void appendFrames(const std::shared_ptr<const LoggedFrames> &frames, qint64 first,
                      qint64 count);
    /// Appends every line of another log; frame lines keep referring to their index.
    void append(const LogLines &other);
    void clear();

    qint64 size() const;
    /// How many of the lines are warnings or errors.
    qint64 problems() const;
    Line at(qint64 row) const;
    LogLevel level(qint64 row) const;

    /// The text of a frame's line; `number` counts from 1.
    static QString frameLine(qint64 number, int payloadBytes);
    static void appendFrameLine(QString &out, qint64 number, int payloadBytes);

private:
    void appendLine(const QString &text, LogLevel level);
    void appendRun(const std::shared_ptr<const LoggedFrames> &frames, qint64 first, qint64 count);
    qint64 rows() const { return qint64(m_levels.size()) + m_frameLines; }

    struct Run
    {
        qint64 row;         // first row of the run
        qint64 linesBefore; // ordinary lines before it
        std::shared_ptr<const LoggedFrames> frames;
        qint64 first;
        qint64 count;
    };

    // The run that row lies in or follows, or nullptr when it comes before every run.
    const Run *runBefore(qint64 row) const;
    // The ordinary line at a row that lies in no run.
    qint64 lineOf(qint64 row, const Run *run) const;
    QString lineText(std::size_t line) const;

    // Ordinary lines: their texts one after another, where each ends, and their levels.
    QString m_text;
    std::vector<qsizetype> m_ends;
    std::vector<LogLevel> m_levels;
    std::vector<Run> m_runs;
    qint64 m_frameLines = 0;
    mutable std::shared_mutex m_lock;
    qint64 m_problems = 0;
};

} // namespace Korvex

#endif // CORE_FILES_LOGLINES_H
