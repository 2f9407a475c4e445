#ifndef APP_LOGWRITER_H
#define APP_LOGWRITER_H

#include <QColor>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

#include <deque>

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
    /// Writes the next few queued lines, whole lines of about 64K characters together; false
    /// when nothing was queued. The idle-time slices are made of such steps.
    bool writeStep();
    /// Drops every queued line (the log was cleared).
    void discard();
    /// Lines queued and not yet written; a text with line feeds counts as one line per feed
    /// and one more.
    qint64 pendingLines() const { return m_pendingLines; }

private:
    // Consecutive lines of one colour, joined by line feeds, stored in one chunk's text.
    struct Run
    {
        QRgb color;
        qsizetype begin;
        qsizetype end;
    };
    // The queue is kept as a list of chunks of text, so that written text can be released
    // chunk by chunk and a queued line costs little more than its characters.
    struct Chunk
    {
        QString text;
        QVector<Run> runs;
        qsizetype nextRun = 0;
    };

    bool writeText(qsizetype characters);
    void writeSlice();

    QPlainTextEdit *m_editor = nullptr;
    std::deque<Chunk> m_queue;
    qint64 m_pendingLines = 0;
    bool m_batching = false;
    // The log shows its last line after every write unless the user scrolled away from it.
    bool m_follow = true;
    QTimer m_timer;
};

} // namespace Korvex

#endif // APP_LOGWRITER_H
