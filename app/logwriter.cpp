#include "app/logwriter.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <limits>

namespace Korvex {

namespace {

// Time one idle slice may take before the window gets to repaint.
constexpr qint64 SliceMs = 100;
// Characters written with one insertion while a slice runs; small enough to check the clock often.
constexpr qsizetype SliceStep = 64 * 1024;
// Characters a chunk of the queue holds before a new one is started.
constexpr qsizetype ChunkCharacters = 1024 * 1024;

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
    // Only the user's own scrolling (wheel, scroll bar, keys) decides whether the log follows
    // new lines: a relayout, after a resize for instance, moves the end of the text as well.
    QScrollBar *bar = m_editor->verticalScrollBar();
    connect(bar, &QAbstractSlider::actionTriggered, this,
            [this, bar] { m_follow = bar->sliderPosition() >= bar->maximum(); });
}

void LogWriter::append(const QString &text, const QColor &color)
{
    const QRgb rgb = color.rgba();
    if (m_queue.empty() || m_queue.back().text.size() + text.size() > ChunkCharacters) {
        m_queue.emplace_back();
        m_queue.back().text.reserve(qMin(ChunkCharacters, qMax<qsizetype>(text.size(), 256)));
    }
    Chunk &chunk = m_queue.back();
    if (chunk.runs.size() > chunk.nextRun && chunk.runs.back().color == rgb) {
        chunk.text += QLatin1Char('\n');
    } else {
        chunk.runs.append({rgb, chunk.text.size(), chunk.text.size()});
    }
    chunk.text += text;
    chunk.runs.back().end = chunk.text.size();
    m_pendingLines += text.count(QLatin1Char('\n')) + 1;

    if (!m_batching && !m_timer.isActive())
        writeText(std::numeric_limits<qsizetype>::max());
}

void LogWriter::beginBatch()
{
    m_batching = true;
}

void LogWriter::endBatch()
{
    m_batching = false;
    if (m_pendingLines > 0)
        m_timer.start();
}

void LogWriter::flush()
{
    m_timer.stop();
    writeText(std::numeric_limits<qsizetype>::max());
}

void LogWriter::discard()
{
    m_timer.stop();
    m_queue.clear();
    m_pendingLines = 0;
    m_follow = true;
}

bool LogWriter::writeStep()
{
    return writeText(SliceStep);
}

void LogWriter::writeSlice()
{
    QElapsedTimer clock;
    clock.start();
    while (m_pendingLines > 0 && clock.elapsed() < SliceMs)
        writeStep();
    if (m_pendingLines > 0 && !m_batching)
        m_timer.start();
}

// Writes about `characters` characters of the queue, whole lines only; false when nothing was
// queued. A run of one colour goes in with one insertion: the paragraphs a line feed starts take
// the block format of the paragraph before.
bool LogWriter::writeText(qsizetype characters)
{
    if (!m_editor || m_pendingLines == 0)
        return false;

    QTextDocument *document = m_editor->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    qsizetype written = 0;
    while (!m_queue.empty() && written < characters) {
        Chunk &chunk = m_queue.front();
        if (chunk.nextRun == chunk.runs.size()) {
            m_queue.pop_front();
            continue;
        }
        Run &run = chunk.runs[chunk.nextRun];
        // Cut a long run at the first line end past the budget.
        qsizetype end = run.end;
        if (run.end - run.begin > characters - written) {
            const qsizetype cut = chunk.text.indexOf(QLatin1Char('\n'),
                                                     run.begin + (characters - written));
            if (cut >= 0 && cut < run.end)
                end = cut;
        }
        const QStringView text = QStringView(chunk.text).mid(run.begin, end - run.begin);
        QTextBlockFormat format;
        format.setBackground(QBrush(QColor::fromRgba(run.color), Qt::SolidPattern));
        if (document->isEmpty())
            cursor.setBlockFormat(format);
        else
            cursor.insertBlock(format, QTextCharFormat());
        cursor.insertText(text.toString());
        m_pendingLines -= text.count(QLatin1Char('\n')) + 1;
        written += end - run.begin;
        if (end == run.end) {
            ++chunk.nextRun;
        } else {
            run.begin = end + 1;
        }
    }
    while (!m_queue.empty() && m_queue.front().nextRun == m_queue.front().runs.size()
           && (m_queue.size() > 1 || m_pendingLines == 0))
        m_queue.pop_front();
    cursor.endEditBlock();

    if (m_follow) {
        QScrollBar *bar = m_editor->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
    return true;
}

} // namespace Korvex
