#include "viewer/views/logmodel.h"

#include "core/files/loggedframes.h"

#include <algorithm>

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
{
}

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
    const qint64 row = rowCount();
    LogLevel level = LogLevel::Info;
    if (color == LogModel::color(LogLevel::Warning)) {
        level = LogLevel::Warning;
    } else if (color == LogModel::color(LogLevel::Error)) {
        level = LogLevel::Error;
    } else if (color != LogModel::color(LogLevel::Info)) {
        m_otherColors.emplace_back(row, color);
    }
    m_lines.append(text, level);
    emit rowsAppended(row, 1);
}

void LogModel::appendFrames(const std::shared_ptr<const LoggedFrames> &frames, qint64 first,
                            qint64 count)
{
    if (count <= 0)
        return;
    const qint64 row = rowCount();
    m_lines.appendFrames(frames, first, count);
    emit rowsAppended(row, count);
}

QColor LogModel::background(qint64 row) const
{
    if (!m_otherColors.empty()) {
        const auto other = std::lower_bound(
            m_otherColors.cbegin(), m_otherColors.cend(), row,
            [](const std::pair<qint64, QColor> &entry, qint64 r) { return entry.first < r; });
        if (other != m_otherColors.cend() && other->first == row)
            return other->second;
    }
    return color(m_lines.level(row));
}

void LogModel::clear()
{
    m_lines.clear();
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
