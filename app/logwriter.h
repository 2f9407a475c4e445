#ifndef APP_LOGWRITER_H
#define APP_LOGWRITER_H

#include <QColor>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

QT_BEGIN_NAMESPACE
class QPlainTextEdit;
QT_END_NAMESPACE

namespace Korvex {

/// Writes coloured lines into the log panel. Lines arriving during a batch (a load) are queued
/// and written later at idle time in short slices, so that a million-line load does not freeze
/// the window; order and colours are the same as if every line had been appended at once.
class LogWriter : public QObject
{
    Q_OBJECT

public:
    explicit LogWriter(QObject *parent = nullptr);

    void setEditor(QPlainTextEdit *editor);

    void append(const QString &text, const QColor &color);

    /// Queues lines until endBatch(), which starts writing them at idle time.
    void beginBatch();
    void endBatch();

    /// Writes every queued line now.
    void flush();
    /// Drops every queued line (the log was cleared).
    void discard();
    int pendingLines() const { return int(m_queue.size() - m_next); }

private:
    struct Line
    {
        QString text;
        QRgb color;
    };

    void writeLines(qsizetype limit);
    void writeSlice();

    QPlainTextEdit *m_editor = nullptr;
    QVector<Line> m_queue;
    qsizetype m_next = 0;
    bool m_batching = false;
    QTimer m_timer;
};

} // namespace Korvex

#endif // APP_LOGWRITER_H
