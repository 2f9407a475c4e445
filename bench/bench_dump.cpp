// SPDX-License-Identifier: GPL-3.0-or-later
// drfdump's frame table against the least a program can do for the same text: a one-thread
// decoder, written here for the comparison, that reads the capture in large pieces and formats
// the same cells (No., time, frame, CTS, payload size, payload) with std::to_chars.
//
//   bench_dump [FRAMES...]        captures of 1,000,000 and 100,000,000 frames unless counts
//                                 are given
//
// Each capture is written into BENCH_DIR (default: a temporary folder, removed at the end).
// Both programs write to /dev/null; for the smaller captures their outputs are first compared
// byte for byte. The figures are wall times, the best of a few runs (one for the largest).

#include "benchsupport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

const char *const Formats[] = {"tsv", "csv", "json", "jsonl"};

/// The minimal decoder: the capture's frames in file order, straight to text.
class MinimalDump
{
public:
    MinimalDump(const QString &format, int out)
        : m_format(format.toStdString())
        , m_out(out)
    {
        static const char *const names[16] = {
            "Interface Control", "Time Accurate Strobe Message", "RF IC Control", "Reserved",
            "Data Channel A", "Data Channel B", "Data Channel C", "Data Channel D",
            "Data Channel E", "Data Channel F", "Data Channel G", "Data Channel H",
            "Reserved for future use", "Reserved for future use", "Reserved for future use",
            "Reserved for future use"};
        static const int bits[8] = {8, 32, 64, 96, 128, 256, 512, 0};
        const bool json = m_format == "json" || m_format == "jsonl";
        const std::string sep = m_format == "csv" ? "," : "\t";
        for (int header = 0; header < 256; ++header) {
            const std::string size = std::to_string(bits[header >> 5]);
            const std::string frame = size + " bit " + names[(header >> 1) & 15];
            const std::string cts = std::to_string(header & 1);
            m_middle[header] = json ? "\",\"Frame\":\"" + frame + "\",\"CTS\":\"" + cts
                                          + "\",\"Payload Size [Bits]\":\"" + size
                                          + "\",\"Payload\":\""
                                    : sep + frame + sep + cts + sep + size + sep;
        }
        if (json) {
            m_start = "{\"No.\":\"";
            m_afterNumber = "\",\"Time [ns]\":\"";
            m_end = m_format == "json" ? "\"}" : "\"}\n";
        } else {
            m_afterNumber = sep;
            m_end = m_format == "csv" ? "\r\n" : "\n";
            put("No." + sep + "Time [ns]" + sep + "Frame" + sep + "CTS" + sep
                + "Payload Size [Bits]" + sep + "Payload" + m_end);
        }
        m_array = m_format == "json";
        if (m_array)
            put("[");
    }

    bool run(const QString &fileName)
    {
        const int in = ::open(QFile::encodeName(fileName).constData(), O_RDONLY);
        if (in < 0)
            return false;
        std::string data(std::size_t(1) << 22, '\0');
        std::size_t have = 0;
        bool inFrames = false;
        qint64 number = 0;
        quint64 ticks = 0;
        for (;;) {
            const ssize_t got = ::read(in, data.data() + have, data.size() - have);
            if (got < 0) {
                ::close(in);
                return false;
            }
            have += std::size_t(got);
            std::size_t at = 0;
            if (!inFrames) {
                const std::size_t tag = data.find("{DATA LIST", 0);
                const std::size_t hash = tag == std::string::npos ? tag : data.find(":#", tag);
                if (hash == std::string::npos || hash >= have) {
                    ::close(in);
                    return false;
                }
                at = hash + 2;
                inFrames = true;
            }
            while (have - at >= 8) {
                const auto *bytes = reinterpret_cast<const uchar *>(data.data() + at);
                const quint32 word = qFromLittleEndian<quint32>(bytes);
                const int code = int(word >> 5) & 0xFF;
                if (code >= 7)
                    break;
                static const int words[7] = {1, 1, 2, 3, 4, 8, 16};
                const std::size_t length = 8 + 4 * std::size_t(words[code]);
                if (have - at < length)
                    break;
                ticks = number == 0 ? 0 : ticks + qFromLittleEndian<quint32>(bytes + 4);
                frame(number++, quint8(word), ticks, bytes + 8, code);
                at += length;
            }
            std::memmove(data.data(), data.data() + at, have - at);
            have -= at;
            if (got == 0)
                break;
        }
        ::close(in);
        if (m_array)
            put(number == 0 ? "]\n" : "\n]\n");
        flush();
        return true;
    }

private:
    void put(const std::string &text)
    {
        std::memcpy(m_to, text.data(), text.size());
        m_to += text.size();
    }

    void frame(qint64 number, quint8 header, quint64 ticks, const uchar *words, int code)
    {
        static const int payloadBytes[7] = {1, 4, 8, 12, 16, 32, 64};
        static const char hex[] = "0123456789ABCDEF";
        if (m_array) {
            if (number > 0)
                *m_to++ = ',';
            *m_to++ = '\n';
        }
        put(m_start);
        m_to = std::to_chars(m_to, m_to + 24, number).ptr;
        put(m_afterNumber);
        const quint64 ns = ticks / 312 * 1000 + ticks % 312 * 1000 / 312;
        m_to = std::to_chars(m_to, m_to + 24, ns).ptr;
        put(m_middle[header]);
        // Each payload word is stored little-endian; the payload reads it big-endian. A
        // one-byte payload is the last byte of its word.
        const int bytes = payloadBytes[code];
        for (int i = 0; i < bytes; ++i) {
            const uchar byte = bytes == 1 ? words[3] : words[(i & ~3) + 3 - (i & 3)];
            *m_to++ = hex[byte >> 4];
            *m_to++ = hex[byte & 15];
            if (i % 2 == 1)
                *m_to++ = ' ';
        }
        put(m_end);
        if (m_to - m_buffer.data() >= (1 << 20))
            flush();
    }

    void flush()
    {
        const char *from = m_buffer.data();
        while (from < m_to) {
            const ssize_t put = ::write(m_out, from, std::size_t(m_to - from));
            if (put <= 0)
                break;
            from += put;
        }
        m_to = m_buffer.data();
    }

    std::string m_format;
    int m_out;
    std::array<std::string, 256> m_middle;
    std::string m_start;
    std::string m_afterNumber;
    std::string m_end;
    // Room for a megabyte of text and the longest row after it.
    std::string m_buffer = std::string((std::size_t(1) << 20) + 4096, '\0');
    char *m_to = m_buffer.data();
    bool m_array = false;
};

double drfdumpMs(const QStringList &arguments, const QString &output)
{
    QProcess process;
    process.setStandardOutputFile(output);
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(DRFDUMP_PATH), arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        return -1;
    return msSince(timer);
}

double minimalMs(const QString &format, const QString &capture, const QString &output)
{
    const int out = ::open(QFile::encodeName(output).constData(), O_WRONLY | O_CREAT | O_TRUNC,
                           0644);
    QElapsedTimer timer;
    timer.start();
    MinimalDump dump(format, out);
    const bool done = dump.run(capture);
    const double elapsed = msSince(timer);
    ::close(out);
    return done ? elapsed : -1;
}

QByteArray hashOf(const QString &fileName)
{
    QFile file(fileName);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QByteArray();
    return hash.result().toHex();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = benchFolder(temporary.path());
    const QList<qint64> counts = benchCounts(argc, argv, {1000000, 100000000});
    const QString null = QStringLiteral("/dev/null");
    int failures = 0;
    for (const qint64 count : counts) {
        const QString capture = folder + QStringLiteral("/dump-%1.drf3").arg(count);
        if (!QFile::exists(capture) && !writeBenchCapture(capture, count)) {
            std::printf("cannot write %s\n", qPrintable(capture));
            return 1;
        }
        std::printf("\n%lld frames (%.2f GB):\n", static_cast<long long>(count),
                    double(QFile(capture).size()) / 1e9);
        const bool large = count > 10000000;
        for (const char *format : Formats) {
            const QString name = QString::fromLatin1(format);
            const QStringList arguments{QStringLiteral("--format"), name, capture};
            if (!large) {
                // The same bytes, or the comparison means nothing.
                const QString ours = folder + QStringLiteral("/dump.out");
                const QString theirs = folder + QStringLiteral("/minimal.out");
                drfdumpMs(arguments, ours);
                minimalMs(name, capture, theirs);
                const bool same = hashOf(ours) == hashOf(theirs) && !hashOf(ours).isEmpty();
                QFile::remove(ours);
                QFile::remove(theirs);
                if (!same) {
                    std::printf("  %-5s outputs differ\n", format);
                    ++failures;
                    continue;
                }
            }
            const int runs = large ? 1 : 3;
            double dump = 0;
            double minimal = 0;
            for (int run = 0; run < runs; ++run) {
                const double d = drfdumpMs(arguments, null);
                const double m = minimalMs(name, capture, null);
                dump = run == 0 ? d : qMin(dump, d);
                minimal = run == 0 ? m : qMin(minimal, m);
            }
            std::printf("  %-5s drfdump %9.1f ms   minimal decoder %9.1f ms   ratio %.2f%s\n",
                        format, dump, minimal, dump / minimal, large ? "" : "  (same bytes)");
            printMachineLoad();
        }
        if (!qEnvironmentVariableIsSet("BENCH_DIR"))
            QFile::remove(capture);
    }
    QProcess uptime;
    uptime.setProcessChannelMode(QProcess::ForwardedChannels);
    uptime.start(QStringLiteral("uptime"), QStringList());
    uptime.waitForFinished(-1);
    return failures == 0 ? 0 : 1;
}
