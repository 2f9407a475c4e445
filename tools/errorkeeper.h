// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TOOLS_ERRORKEEPER_H
#define TOOLS_ERRORKEEPER_H

#include "core/files/framereader.h"

#include <QStringList>

namespace Korvex::Dump {

/// Hands everything on, keeping the error lines that explain a failed read.
class ErrorKeeper final : public FrameReaderSink
{
public:
    explicit ErrorKeeper(FrameReaderSink &sink)
        : m_sink(sink)
    {
    }

    void log(const QString &text, LogLevel level) override
    {
        if (level == LogLevel::Error)
            errors.append(text);
        m_sink.log(text, level);
    }
    void progress(int value) override { m_sink.progress(value); }
    bool proceed(qint64 framesRead) override { return m_sink.proceed(framesRead); }
    bool wantsFrames() const override { return m_sink.wantsFrames(); }
    void frame(const ScannedFrame &frame) override { m_sink.frame(frame); }

    QStringList errors;

private:
    FrameReaderSink &m_sink;
};

} // namespace Korvex::Dump

#endif // TOOLS_ERRORKEEPER_H
