// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_FRAMEMARKS_H
#define CORE_FILES_FRAMEMARKS_H

#include <QString>
#include <QtGlobal>

#include <map>
#include <vector>

namespace Korvex {

/// The frames of a capture that the user marked, each with an optional one-line note. Marks
/// are few beside the frames, so they are kept by frame number in a sorted map.
class FrameMarks
{
public:
    bool isMarked(qint64 frame) const { return m_marks.count(frame) != 0; }
    /// The note of a marked frame; empty when it has none or is not marked.
    QString note(qint64 frame) const;

    /// Marks the frame; a frame already marked keeps its note.
    void mark(qint64 frame);
    void unmark(qint64 frame);
    /// Marks the frames, or unmarks them all when every one of them is marked already.
    void toggle(const std::vector<qint64> &frames);
    /// Marks the frame with the note; line breaks become blanks, for a note is one line.
    void setNote(qint64 frame, const QString &note);
    void clear() { m_marks.clear(); }

    qint64 count() const { return qint64(m_marks.size()); }
    bool isEmpty() const { return m_marks.empty(); }
    /// The first marked frame after `frame`, or -1.
    qint64 next(qint64 frame) const;
    /// The last marked frame before `frame`, or -1.
    qint64 previous(qint64 frame) const;
    /// Whether a frame from first to last (both included) is marked.
    bool anyIn(qint64 first, qint64 last) const;

    /// Every mark, by frame number.
    const std::map<qint64, QString> &all() const { return m_marks; }

private:
    std::map<qint64, QString> m_marks;
};

} // namespace Korvex

#endif // CORE_FILES_FRAMEMARKS_H
