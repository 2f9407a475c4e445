// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_FINDBAR_H
#define VIEWER_VIEWS_FINDBAR_H

#include "core/filters/filterexpression.h"

#include <QWidget>

#include <memory>

QT_BEGIN_NAMESPACE
class QCheckBox;
class QComboBox;
class QLineEdit;
QT_END_NAMESPACE

namespace Korvex {

class MessageCatalog;

/// The Find bar above the frame table: what to look for (a filter expression, hex bytes with
/// ?? for any byte, or text as the payload dump's ASCII column shows it) and buttons to go to
/// the previous or next frame that has it. Hidden until Find is asked for; Escape hides it.
class FindBar : public QWidget
{
    Q_OBJECT

public:
    enum Mode { Expression, HexBytes, Text };

    explicit FindBar(QWidget *parent = nullptr);
    ~FindBar() override;

    /// Shows the bar with its field focused and selected.
    void activate();

    Mode mode() const;
    void setMode(Mode mode);
    QString text() const;
    void setText(const QString &text);
    bool matchCase() const;
    void setMatchCase(bool on);

    /// The messages and fields an expression may name besides the frame's own fields (none
    /// for nullptr).
    void setMessageCatalog(std::shared_ptr<const MessageCatalog> messages);

    /// What the field asks for, as a filter. A mistake in it says where (counted in the
    /// field's own text) and leaves an expression that matches every frame.
    FilterExpression expression(FilterError *error) const;
    /// Shows whether the last search could be made of the field.
    void showError(const FilterError &error);

    QLineEdit *lineEdit() const { return m_field; }

signals:
    void findRequested(bool forward);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QComboBox *m_mode = nullptr;
    QLineEdit *m_field = nullptr;
    QCheckBox *m_matchCase = nullptr;
    std::shared_ptr<const MessageCatalog> m_messages;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_FINDBAR_H
