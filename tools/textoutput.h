// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TOOLS_TEXTOUTPUT_H
#define TOOLS_TEXTOUTPUT_H

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace Korvex::Dump {

/// Collects drfdump's output text and writes it to a FILE in UTF-8, in large pieces rather
/// than per line. Remembers the first failure to write; after it nothing more is written.
class TextOutput
{
public:
    explicit TextOutput(FILE *file);

    /// The text not yet written; commands append to it.
    QString &text() { return m_text; }
    /// The same as UTF-8 bytes, for output made as bytes; what text() held comes first.
    QByteArray &bytes();
    /// Writes the text once enough of it has been collected.
    void flushIfFull();
    /// Writes the text and empties the FILE's buffer now, for a reader waiting on it.
    void flush();
    /// The first failure to write (an errno value), or 0.
    int error() const { return m_error; }

    /// Writes the rest of the text and empties the FILE's buffer. On a failure to write it
    /// prints the reason on err and returns Failed, else Success. A reader that went away
    /// early (a closed pipe) gets no message.
    int finish(FILE *err);

private:
    void write();

    FILE *m_file;
    QString m_text;
    QByteArray m_bytes;
    int m_error = 0;
};

} // namespace Korvex::Dump

#endif // TOOLS_TEXTOUTPUT_H
