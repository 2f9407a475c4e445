// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_FILTERBAR_H
#define VIEWER_VIEWS_FILTERBAR_H

#include "core/filters/filtererror.h"

#include <QStringList>
#include <QWidget>

#include <memory>

QT_BEGIN_NAMESPACE
class QComboBox;
class QCompleter;
class QLineEdit;
class QPushButton;
class QSettings;
class QStringListModel;
QT_END_NAMESPACE

namespace Korvex {

class FilterField;
class MessageCatalog;

/// The display filter's bar above the frame table: a field for the expression that completes
/// the word being typed and remembers recent filters (in the settings), coloured as the text
/// parses or not with the place of a mistake marked, and Apply and Clear. A text that is not the
/// filter in force is marked as such, with Apply enabled, until it is applied. What applying
/// does is the window's business.
///
/// Keys: with the completion list open, Up and Down choose, Return, Enter or Tab only take the
/// completion and Escape closes the list; otherwise Return applies and Down opens the recent
/// filters, of which the one picked is applied.
class FilterBar : public QWidget
{
    Q_OBJECT

public:
    enum class State { Empty, Valid, Invalid };

    static constexpr int HistorySize = 20;

    explicit FilterBar(QWidget *parent = nullptr);
    ~FilterBar() override;

    QString text() const;
    void setText(const QString &text);
    State state() const { return m_state; }

    /// The filter in force (empty for none), which the field's text is compared with.
    void setApplied(const QString &text);
    QString applied() const { return m_applied; }
    /// Whether the field holds another expression than the one in force.
    bool isPending() const;

    /// Where the recent filters are kept, under "FilterHistory"; they are read at once.
    void setSettings(QSettings *settings);
    /// Puts an applied filter first among the recent ones.
    void remember(const QString &text);
    QStringList history() const;

    /// The words offered for completion: the language's field names and words and the channel
    /// names in quotes at first; whoever knows more names (messages, fields) adds them.
    void setCompletionWords(const QStringList &words);
    QStringList completionWords() const;
    static QStringList standardCompletionWords();

    /// Fields that the frames on display do not have count as mistakes.
    void setProtocolVersion(int protocolVersion);
    /// The messages and fields a filter may name besides the frame's own fields (none for
    /// nullptr); the text is checked again.
    void setMessageCatalog(std::shared_ptr<const MessageCatalog> messages);
    /// Words completed besides the standard ones, such as message and field names.
    void setExtraWords(const QStringList &words);
    /// Shows a refused filter: the field turns to the invalid colour, the mistake is marked,
    /// the cursor goes to it and the message becomes the field's tool tip.
    void showError(const FilterError &error);

    QLineEdit *lineEdit() const;
    FilterField *field() const { return m_edit; }
    QCompleter *completer() const { return m_completer; }
    QComboBox *historyBox() const { return m_field; }
    QPushButton *applyButton() const { return m_apply; }
    QPushButton *clearButton() const { return m_clear; }

signals:
    void applyRequested(const QString &text);
    void clearRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void textEdited(const QString &text);
    void check();
    void complete();
    /// Puts the completion in place of the word being typed.
    void insertCompletion(const QString &completion);
    /// The completion list's key: true when the key was the list's.
    bool completionKey(int key);
    void historyPicked(int index);
    void setState(State state, const QString &toolTip, const FilterError &error = {});
    void updateLook();

    QComboBox *m_field = nullptr;
    FilterField *m_edit = nullptr;
    QPushButton *m_apply = nullptr;
    QPushButton *m_clear = nullptr;
    QCompleter *m_completer = nullptr;
    QStringListModel *m_words = nullptr;
    QSettings *m_settings = nullptr;
    int m_protocolVersion = 0;
    std::shared_ptr<const MessageCatalog> m_messages;
    State m_state = State::Empty;
    QString m_toolTip;
    QString m_applied;
    // Return was pressed in the field: the history box's own answer to it is not a pick.
    bool m_returning = false;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_FILTERBAR_H
