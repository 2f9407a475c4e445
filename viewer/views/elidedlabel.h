// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_ELIDEDLABEL_H
#define VIEWER_VIEWS_ELIDEDLABEL_H

#include <QLabel>

namespace Korvex {

/// A one-line label that never widens its window: it asks for no more than a few characters
/// of width and shows as much of its text as the room given to it holds, ending in "…" when
/// that is not all; the whole text is then its tool tip. text() is always the whole text.
class ElidedLabel : public QLabel
{
public:
    explicit ElidedLabel(QWidget *parent = nullptr);
    ~ElidedLabel() override;

    QSize minimumSizeHint() const override;
    /// The text as painted in the label's present width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_ELIDEDLABEL_H
