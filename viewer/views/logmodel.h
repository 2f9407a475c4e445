#ifndef VIEWER_VIEWS_LOGMODEL_H
#define VIEWER_VIEWS_LOGMODEL_H

#include "core/files/loglines.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <utility>
#include <vector>

namespace Korvex {

class LoggedFrames;

/// The window's log: one row per line, each on its background colour. The lines are kept as a
/// LogLines, so the line of every loaded frame is made from the capture's index when it is
/// shown and a hundred million of them cost no text. Rows count in 64 bits.
class LogModel : public QObject
{
    Q_OBJECT

public:
    /// Characters of a line that are shown; a longer line is cut there and ends in "…".
    static constexpr int ShownCharacters = 4000;

    explicit LogModel(QObject *parent = nullptr);

    /// Appends a line on a background of the given colour. White, dark yellow and red are the
    /// levels of the load log; a line in any other colour keeps that colour.
    void append(const QString &text, const QColor &color);
    /// Appends the lines of frames `first` to `first + count - 1`; see LogLines::appendFrames.
    void appendFrames(const std::shared_ptr<const LoggedFrames> &frames, qint64 first,
                      qint64 count);

    qint64 rowCount() const { return m_lines.size(); }
    /// The line as it was logged.
    QString text(qint64 row) const { return m_lines.at(row).text; }
    /// The line as the view shows it: see shownText(const QString &).
    QString shownText(qint64 row) const { return shownText(text(row)); }
    QColor background(qint64 row) const;
    const LogLines &lines() const { return m_lines; }

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
    /// Rows `first` to `first + count - 1` were appended.
    void rowsAppended(qint64 first, qint64 count);
    /// The log was emptied.
    void cleared();

private:
    LogLines m_lines;
    // The rows of lines logged in a colour that is none of the levels', in order.
    std::vector<std::pair<qint64, QColor>> m_otherColors;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_LOGMODEL_H
