// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/capturewriter.h"

#include "core/frames/framerecord.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QtEndian>

#include <limits>

namespace Korvex {

namespace {

// Bytes collected before a write to the device.
constexpr qsizetype BufferBytes = qsizetype(1) << 20;

QString tr(const char *text)
{
    return QCoreApplication::translate("Framescope", text);
}

} // namespace

CaptureWriter::CaptureWriter(QIODevice &device, bool seekable)
    : m_device(device)
    , m_seekable(seekable)
{
    m_buffer.reserve(BufferBytes + 128);
}

CaptureWriter::~CaptureWriter() = default;

bool CaptureWriter::begin(const QString &source, const QDateTime &date)
{
    // A tag value ends at the first closing brace, and tags are Latin-1.
    QString name = source;
    name.replace(QLatin1Char('}'), QLatin1Char(')'));
    const QByteArray tags = QStringLiteral("{DATE:%1}{COMMENT:Frames of %2 exported by Framescope}")
                                .arg(date.toString(QStringLiteral("yyyy-MM-dd;hh:mm:ss")), name)
                                .toLatin1()
                            + "{DATA LIST-";
    m_lengthAt = m_device.pos() + tags.size();
    m_buffer += tags
                + (m_seekable ? QByteArray(LengthDigits, '0')
                              : QByteArray::number(std::numeric_limits<quint32>::max()))
                + ":#";
    return true;
}

bool CaptureWriter::append(qint64 number, const char *bytes, qint64 length, quint64 ticks)
{
    if (!m_error.isEmpty())
        return false;
    const quint64 delta = m_frames == 0 ? 0 : ticks - m_lastTicks;
    if (m_frames > 0 && (ticks < m_lastTicks || delta > std::numeric_limits<quint32>::max())) {
        return fail(tr("Frames %1 and %2 lie %3 ns apart, more than the time field of a capture "
                       "holds (13.7 s); export them as CSV or JSON, or export fewer frames.")
                        .arg(m_lastNumber)
                        .arg(number)
                        .arg(FrameRecord::nsOfTicks(ticks - m_lastTicks)));
    }
    // Header word, time word and the payload words as they were; a frame that the end of its
    // file cut short (outside DigRF 3G only) is completed with zeros.
    const qint64 size = qMax<qint64>(8, length);
    const qsizetype at = m_buffer.size();
    m_buffer.append(bytes, qsizetype(length));
    if (length < size)
        m_buffer.append(QByteArray(qsizetype(size - length), '\0'));
    qToLittleEndian<quint32>(quint32(delta), m_buffer.data() + at + 4);
    m_blockBytes += quint64(size);
    m_lastTicks = ticks;
    m_lastNumber = number;
    ++m_frames;
    return m_buffer.size() < BufferBytes || flush();
}

bool CaptureWriter::finish()
{
    if (!m_error.isEmpty())
        return false;
    m_buffer += '}';
    if (!flush())
        return false;
    if (!m_seekable)
        return true;
    // The reader wants a length from 1 to the largest 32-bit number; it does not bound the
    // block, so a longer block names the largest.
    const quint64 length = qBound<quint64>(1, m_blockBytes, std::numeric_limits<quint32>::max());
    const QByteArray digits = QByteArray::number(length).rightJustified(LengthDigits, '0');
    const qint64 end = m_device.pos();
    if (!m_device.seek(m_lengthAt) || m_device.write(digits) != digits.size() || !m_device.seek(end))
        return fail(m_device.errorString());
    return true;
}

bool CaptureWriter::flush()
{
    if (m_device.write(m_buffer) != m_buffer.size())
        return fail(m_device.errorString());
    m_buffer.resize(0);
    return true;
}

bool CaptureWriter::fail(const QString &error)
{
    if (m_error.isEmpty())
        m_error = error.isEmpty() ? tr("The file could not be written.") : error;
    return false;
}

} // namespace Korvex
