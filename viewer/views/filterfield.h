// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_FILTERFIELD_H
#define VIEWER_VIEWS_FILTERFIELD_H

#include <QLineEdit>

namespace Korvex {

/// The filter bar's line edit: it can mark a stretch of its text, a mistake in the expression,
/// with a wavy red line under it until the text is edited.
class FilterField : public QLineEdit
{
public:
    explicit FilterField(QWidget *parent = nullptr);
    ~FilterField() override;

    /// Marks `length` characters from `start`; a start at the end marks the room after the text.
    void setMark(int start, int length);
    void clearMark();
    int markStart() const { return m_start; }
    int markLength() const { return m_length; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    /// The x of the gap before the character at a position, in the widget.
    qreal xOf(int position) const;

    int m_start = -1;
    int m_length = 0;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_FILTERFIELD_H
