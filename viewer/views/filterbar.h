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
QT_END_NAMESPACE

namespace Korvex {

class MessageCatalog;

/// The display filter's bar above the frame table: a field for the expression that completes
/// field and channel names and remembers recent filters (in the settings), coloured as the
/// text parses or not, with Apply and Clear. What applying does is the window's business.
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

    /// Where the recent filters are kept, under "FilterHistory"; they are read at once.
    void setSettings(QSettings *settings);
    /// Puts an applied filter first among the recent ones.
    void remember(const QString &text);
    QStringList history() const;

    /// Fields that the frames on display do not have count as mistakes.
    void setProtocolVersion(int protocolVersion);
    /// The messages and fields a filter may name besides the frame's own fields (none for
    /// nullptr); the text is checked again.
    void setMessageCatalog(std::shared_ptr<const MessageCatalog> messages);
    /// Words completed besides the language's own and the channel names, such as message
    /// and field names.
    void setExtraWords(const QStringList &words);
    /// Shows a refused filter: the field turns to the invalid colour, the cursor goes to the
    /// mistake and the message becomes the field's tool tip.
    void showError(const FilterError &error);

    QLineEdit *lineEdit() const;
    QPushButton *applyButton() const { return m_apply; }
    QPushButton *clearButton() const { return m_clear; }

signals:
    void applyRequested(const QString &text);
    void clearRequested();

private:
    void textEdited(const QString &text);
    void check();
    void complete();
    void insertCompletion(const QString &completion);
    void setState(State state, const QString &toolTip);
    /// The language's words, the channel names in quotes and the extra words.
    void updateWords();

    QComboBox *m_field = nullptr;
    QPushButton *m_apply = nullptr;
    QPushButton *m_clear = nullptr;
    QCompleter *m_completer = nullptr;
    QSettings *m_settings = nullptr;
    int m_protocolVersion = 0;
    std::shared_ptr<const MessageCatalog> m_messages;
    QStringList m_extraWords;
    State m_state = State::Empty;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_FILTERBAR_H
