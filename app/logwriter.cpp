#include "app/logwriter.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace Korvex {

namespace {

// Time one idle slice may take before the window gets to repaint.
constexpr qint64 SliceMs = 40;
// Lines of one colour written with a single insertion; keeps a slice short.
constexpr qsizetype RunLines = 2048;

} // namespace

LogWriter::LogWriter(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &LogWriter::writeSlice);
}

void LogWriter::setEditor(QPlainTextEdit *editor)
{
    m_editor = editor;
    // The log is read-only; an undo history of every line would only cost memory.
    m_editor->setUndoRedoEnabled(false);
}

void LogWriter::append(const QString &text, const QColor &color)
{
    m_queue.append({text, color.rgba()});
    if (!m_batching && !m_timer.isActive())
        writeLines(m_queue.size());
}

void LogWriter::beginBatch()
{
    m_batching = true;
}

void LogWriter::endBatch()
{
    m_batching = false;
    if (pendingLines() > 0)
        m_timer.start();
}

void LogWriter::flush()
{
    m_timer.stop();
    writeLines(m_queue.size());
}

void LogWriter::discard()
{
    m_timer.stop();
    m_queue.clear();
    m_next = 0;
}

void LogWriter::writeSlice()
{
    QElapsedTimer clock;
    clock.start();
    while (pendingLines() > 0 && clock.elapsed() < SliceMs)
        writeLines(m_next + RunLines);
    if (pendingLines() > 0 && !m_batching)
        m_timer.start();
}

// Writes the queued lines before index limit. Consecutive lines of one colour go in with one
// insertion: new paragraphs made by a line feed take the block format of the one before.
void LogWriter::writeLines(qsizetype limit)
{
    limit = qMin(limit, m_queue.size());
    if (!m_editor || m_next >= limit)
        return;

    QScrollBar *bar = m_editor->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    QTextDocument *document = m_editor->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    QString run;
    while (m_next < limit) {
        const QRgb color = m_queue.at(m_next).color;
        qsizetype end = m_next + 1;
        while (end < limit && m_queue.at(end).color == color)
            ++end;
        run.clear();
        for (qsizetype i = m_next; i < end; ++i) {
            if (i > m_next)
                run += QLatin1Char('\n');
            run += m_queue.at(i).text;
        }
        QTextBlockFormat format;
        format.setBackground(QBrush(QColor::fromRgba(color), Qt::SolidPattern));
        if (document->isEmpty())
            cursor.setBlockFormat(format);
        else
            cursor.insertBlock(format, QTextCharFormat());
        cursor.insertText(run);
        m_next = end;
    }
    cursor.endEditBlock();

    if (m_next == m_queue.size()) {
        m_queue.clear();
        m_next = 0;
    }
    if (atBottom)
        bar->setValue(bar->maximum());
}

} // namespace Korvex
