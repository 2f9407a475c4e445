// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_LOGMODEL_H
#define VIEWER_VIEWS_LOGMODEL_H

#include "core/files/loglines.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <utility>
#include <vector>

namespace Korvex {

/// The log panel's rows: the lines of the captures' logs, which it refers to rather than copies,
/// and the window's own lines, in the order they came. A capture's log may gain a line after
/// its load (frames found missing); it is shown after whatever came since. The line of every
/// loaded frame is made from the capture's index when it is shown, so a hundred million of
/// them cost no text. Rows count in 64 bits; Clear drops every row, and a log followed before
/// shows only its later lines after it.
class LogModel : public QObject
{
    Q_OBJECT

public:
    /// Characters of a line that are shown; a longer line is cut there and ends in "…".
    static constexpr int ShownCharacters = 4000;

    explicit LogModel(QObject *parent = nullptr);
    ~LogModel() override;

    /// Appends one of the window's own lines on a background of the given colour. White, dark
    /// yellow and red are the levels of the load log; a line in any other colour keeps that
    /// colour.
    void append(const QString &text, const QColor &color);
    /// Shows the lines the log gained since the model last looked at it (all of them the first
    /// time); false when it gained none. The model keeps the log while it shows lines of it.
    /// `problem`, when given, tells whether a warning or an error is among the new lines.
    bool follow(const std::shared_ptr<const LogLines> &log, bool *problem = nullptr);

    /// Lines shown after every other row, in place of those set before, until set anew: what
    /// `log` would end with were its capture to end now. Later lines of that log come before
    /// them; a line of any other log, or of the window, comes after them, as they then stay.
    void setTail(const std::shared_ptr<const LogLines> &log, const QList<LogLines::Line> &lines);

    qint64 rowCount() const { return m_rowCount + m_tail.size(); }
    /// The line as it was logged.
    QString text(qint64 row) const;
    /// The line as the view shows it: see shownText(const QString &).
    QString shownText(qint64 row) const { return shownText(text(row)); }
    QColor background(qint64 row) const;

    /// A line made fit for one row of the screen: control characters are shown by their
    /// pictures (a tab as "␉") so that nothing in a line is invisible or breaks it, and a line
    /// longer than ShownCharacters is cut with "…".
    static QString shownText(const QString &text);
    /// The background of a line of the given level: white, dark yellow or red.
    static QColor color(LogLevel level);

public slots:
    /// Empties the log.
    void clear();

signals:
    /// Rows `first` to `first + count - 1` were appended (or the tail after `first` was set
    /// anew).
    void rowsAppended(qint64 first, qint64 count);
    /// The log was emptied.
    void cleared();

private:
    /// Lines `first` to `first + count - 1` of a log, shown from row `row` on.
    struct Piece
    {
        qint64 row;
        std::shared_ptr<const LogLines> log;
        qint64 first;
        qint64 count;
    };
    /// How many lines of a log were looked at; the log itself may be gone.
    struct Followed
    {
        std::weak_ptr<const LogLines> log;
        qint64 seen;
        qint64 seenProblems;
    };

    /// Shows lines first to first + count - 1 of the log after the last row.
    void appendLines(const std::shared_ptr<const LogLines> &log, qint64 first, qint64 count);
    /// The piece a row lies in; the row must be below rowCount().
    const Piece &pieceOf(qint64 row) const;

    // The window's own lines, shown like a capture's log.
    std::shared_ptr<LogLines> m_own;
    std::vector<Piece> m_pieces;
    std::vector<Followed> m_followed;
    qint64 m_rowCount = 0;
    QList<LogLines::Line> m_tail;
    std::shared_ptr<const LogLines> m_tailLog;
    // The rows of lines logged in a colour that is none of the levels', in order.
    std::vector<std::pair<qint64, QColor>> m_otherColors;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_LOGMODEL_H
