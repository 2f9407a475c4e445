// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/logmodel.h"

#include <algorithm>
#include <utility>

namespace Korvex {

namespace {

// Unicode's pictures of the control characters U+0000 to U+001F, and of DEL.
constexpr char16_t ControlPictures = 0x2400;
constexpr char16_t DeletePicture = 0x2421;
constexpr char16_t NewlinePicture = 0x2424;
constexpr char16_t Replacement = 0xFFFD;
constexpr char16_t Ellipsis = 0x2026;

// What a character that would not show, or would break the row, is shown as; 0 for any other.
char16_t pictureOf(char16_t c)
{
    if (c < 0x20)
        return ControlPictures + c;
    if (c == 0x7F)
        return DeletePicture;
    // The other control characters have no pictures of their own.
    if (c >= 0x80 && c <= 0x9F)
        return Replacement;
    if (c == 0x2028 || c == 0x2029)
        return NewlinePicture;
    return 0;
}

} // namespace

LogModel::LogModel(QObject *parent)
    : QObject(parent)
    , m_own(std::make_shared<LogLines>())
{
}

LogModel::~LogModel() = default;

QColor LogModel::color(LogLevel level)
{
    switch (level) {
    case LogLevel::Warning:
        return Qt::darkYellow;
    case LogLevel::Error:
        return Qt::red;
    case LogLevel::Info:
        break;
    }
    return Qt::white;
}

void LogModel::append(const QString &text, const QColor &color)
{
    LogLevel level = LogLevel::Info;
    if (color == LogModel::color(LogLevel::Warning)) {
        level = LogLevel::Warning;
    } else if (color == LogModel::color(LogLevel::Error)) {
        level = LogLevel::Error;
    } else if (color != LogModel::color(LogLevel::Info)) {
        m_otherColors.emplace_back(m_rowCount, color);
    }
    m_own->append(text, level);
    appendLines(m_own, m_own->size() - 1, 1);
}

bool LogModel::follow(const std::shared_ptr<const LogLines> &log, bool *problem)
{
    if (problem)
        *problem = false;
    if (!log)
        return false;
    // Logs that are gone are forgotten; the one asked for is found among the others.
    Followed *followed = nullptr;
    for (auto it = m_followed.begin(); it != m_followed.end();) {
        const std::shared_ptr<const LogLines> known = it->log.lock();
        if (!known) {
            it = m_followed.erase(it);
            continue;
        }
        if (known == log)
            followed = &*it;
        ++it;
    }
    if (!followed)
        followed = &m_followed.emplace_back(Followed{log, 0, 0});
    const qint64 first = followed->seen;
    const qint64 count = log->size() - first;
    if (count <= 0)
        return false;
    followed->seen = log->size();
    if (problem)
        *problem = log->problems() > followed->seenProblems;
    followed->seenProblems = log->problems();
    appendLines(log, first, count);
    return true;
}

void LogModel::appendLines(const std::shared_ptr<const LogLines> &log, qint64 first,
                           qint64 count)
{
    // Another log's line ends the tail's log here: the tail becomes the window's own lines.
    if (!m_tail.isEmpty() && log != m_tailLog) {
        const QList<LogLines::Line> tail = std::exchange(m_tail, {});
        m_tailLog.reset();
        const qint64 start = m_own->size();
        for (const LogLines::Line &line : tail)
            m_own->append(line.text, line.level);
        appendLines(m_own, start, tail.size());
    }
    const qint64 row = m_rowCount;
    // Lines that follow on the last piece's lengthen it: a load adds its frames in many steps.
    if (!m_pieces.empty() && m_pieces.back().log == log
        && m_pieces.back().first + m_pieces.back().count == first) {
        m_pieces.back().count += count;
    } else {
        m_pieces.push_back({row, log, first, count});
    }
    m_rowCount += count;
    emit rowsAppended(row, count);
}

void LogModel::setTail(const std::shared_ptr<const LogLines> &log,
                       const QList<LogLines::Line> &lines)
{
    m_tailLog = lines.isEmpty() ? nullptr : log;
    if (lines.isEmpty() && m_tail.isEmpty())
        return;
    m_tail = lines;
    emit rowsAppended(m_rowCount, m_tail.size());
}

const LogModel::Piece &LogModel::pieceOf(qint64 row) const
{
    const auto after = std::upper_bound(m_pieces.begin(), m_pieces.end(), row,
                                        [](qint64 r, const Piece &piece) { return r < piece.row; });
    return *(after - 1);
}

QString LogModel::text(qint64 row) const
{
    if (row < 0 || row >= rowCount())
        return QString();
    if (row >= m_rowCount)
        return m_tail.at(row - m_rowCount).text;
    const Piece &piece = pieceOf(row);
    return piece.log->at(piece.first + row - piece.row).text;
}

QColor LogModel::background(qint64 row) const
{
    if (row < 0 || row >= rowCount())
        return color(LogLevel::Info);
    if (row >= m_rowCount)
        return color(m_tail.at(row - m_rowCount).level);
    if (!m_otherColors.empty()) {
        const auto other = std::lower_bound(
            m_otherColors.cbegin(), m_otherColors.cend(), row,
            [](const std::pair<qint64, QColor> &entry, qint64 r) { return entry.first < r; });
        if (other != m_otherColors.cend() && other->first == row)
            return other->second;
    }
    const Piece &piece = pieceOf(row);
    return color(piece.log->level(piece.first + row - piece.row));
}

void LogModel::clear()
{
    m_pieces = {};
    m_own = std::make_shared<LogLines>();
    m_rowCount = 0;
    m_tail = {};
    m_tailLog.reset();
    m_otherColors = {};
    emit cleared();
}

QString LogModel::shownText(const QString &text)
{
    qsizetype length = text.size();
    const bool cut = length > ShownCharacters;
    if (cut) {
        length = ShownCharacters;
        // A character outside the basic plane is not cut in half.
        if (text.at(length - 1).isHighSurrogate())
            --length;
    }
    const QStringView kept = QStringView(text).first(length);
    const bool plain = std::none_of(kept.begin(), kept.end(),
                                    [](QChar c) { return pictureOf(c.unicode()) != 0; });
    if (plain && !cut)
        return text;
    QString shown = kept.toString();
    if (!plain) {
        for (QChar &c : shown) {
            if (const char16_t picture = pictureOf(c.unicode()))
                c = QChar(picture);
        }
    }
    if (cut)
        shown += QChar(Ellipsis);
    return shown;
}

} // namespace Korvex
