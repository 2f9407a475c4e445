// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/textoutput.h"

#include "tools/commands.h"

#include <cerrno>
#include <cstring>

namespace Korvex::Dump {

namespace {

// Text is collected and written in large pieces: no write or flush per line.
constexpr qsizetype FlushChars = qsizetype(1) << 18;

} // namespace

TextOutput::TextOutput(FILE *file)
    : m_file(file)
{
    m_text.reserve(FlushChars + 4096);
}

QByteArray &TextOutput::bytes()
{
    if (!m_text.isEmpty()) {
        m_bytes += m_text.toUtf8();
        m_text.resize(0);
    }
    if (m_bytes.capacity() < FlushChars + 4096)
        m_bytes.reserve(FlushChars + 4096);
    return m_bytes;
}

void TextOutput::flushIfFull()
{
    if (m_text.size() >= FlushChars || m_bytes.size() >= FlushChars)
        write();
}

void TextOutput::write()
{
    bytes();
    if (m_bytes.isEmpty())
        return;
    if (m_error == 0) {
        errno = 0;
        if (std::fwrite(m_bytes.constData(), 1, size_t(m_bytes.size()), m_file)
            != size_t(m_bytes.size()))
            m_error = errno != 0 ? errno : EIO;
    }
    m_bytes.resize(0);
}

void TextOutput::flush()
{
    write();
    errno = 0;
    if (m_error == 0 && std::fflush(m_file) != 0)
        m_error = errno != 0 ? errno : EIO;
}

int TextOutput::finish(FILE *err)
{
    // The stream's buffer holds the last bytes; only now does a full disk show.
    flush();
    if (m_error == 0 && std::ferror(m_file))
        m_error = EIO;
    if (m_error == 0)
        return Success;
    if (m_error != EPIPE)
        std::fprintf(err, "drfdump: cannot write the output: %s\n", std::strerror(m_error));
    return Failed;
}

} // namespace Korvex::Dump
