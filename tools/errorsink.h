#ifndef TOOLS_ERRORSINK_H
#define TOOLS_ERRORSINK_H

#include "files/framereader.h"

#include <QStringList>

namespace Korvex::Dump {

/// Keeps the reader's error lines, the ones that explain a failed load.
class ErrorSink final : public FrameReaderSink
{
public:
    void log(const QString &text, LogLevel level) override
    {
        if (level == LogLevel::Error)
            errors.append(text);
    }
    void progress(int) override {}

    QStringList errors;
};

} // namespace Korvex::Dump

#endif // TOOLS_ERRORSINK_H
