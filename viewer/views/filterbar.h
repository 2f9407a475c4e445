#ifndef VIEWER_VIEWS_FILTERBAR_H
#define VIEWER_VIEWS_FILTERBAR_H

#include "core/filters/filtererror.h"

#include <QWidget>

QT_BEGIN_NAMESPACE
class QComboBox;
class QCompleter;
class QLineEdit;
class QPushButton;
class QSettings;
QT_END_NAMESPACE

namespace Korvex {

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

    QComboBox *m_field = nullptr;
    QPushButton *m_apply = nullptr;
    QPushButton *m_clear = nullptr;
    QCompleter *m_completer = nullptr;
    QSettings *m_settings = nullptr;
    int m_protocolVersion = 0;
    State m_state = State::Empty;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_FILTERBAR_H
