// SPDX-License-Identifier: GPL-3.0-or-later
// The colour-file reader over arbitrary bytes. Checks the table against the file's lines
// (exactly seven fields, later lines win, components 0-255 or no colour), and that writing
// the table and reading it back keeps it, a colour without value coming back black.

#include "fuzzcheck.h"

#include "core/colors/colorfile.h"

#include <QList>
#include <QMap>

#include <climits>
#include <cstdint>

using Korvex::ColorFile;

namespace {

// A component as the file format reads it: optional blanks, an optional sign, decimal digits,
// optional blanks; anything else, an empty field or a number past int is 0.
int component(const QByteArray &field)
{
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    qsizetype begin = 0;
    qsizetype end = field.size();
    while (begin < end && blank(field.at(begin)))
        ++begin;
    while (end > begin && blank(field.at(end - 1)))
        --end;
    bool negative = false;
    if (begin < end && (field.at(begin) == '+' || field.at(begin) == '-'))
        negative = field.at(begin++) == '-';
    if (begin == end)
        return 0;
    qint64 value = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const char c = field.at(i);
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
        if (value > qint64(1) << 32)
            return 0;
    }
    value = negative ? -value : value;
    return value < INT_MIN || value > INT_MAX ? 0 : int(value);
}

ColorFile::Color color(const QList<QByteArray> &fields, int first)
{
    const int r = component(fields.at(first));
    const int g = component(fields.at(first + 1));
    const int b = component(fields.at(first + 2));
    const auto in = [](int v) { return v >= 0 && v <= 255; };
    ColorFile::Color c;
    if (in(r) && in(g) && in(b))
        c = ColorFile::Color{r, g, b, true};
    return c;
}

QString describe(const ColorFile::Table &table)
{
    QString text;
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        const auto one = [](const ColorFile::Color &c) {
            return c.valid ? QStringLiteral("%1,%2,%3").arg(c.red).arg(c.green).arg(c.blue)
                           : QStringLiteral("none");
        };
        text += QStringLiteral("[%1: %2 on %3] ").arg(it.key(), one(it->text), one(it->background));
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const ColorFile::Table table = ColorFile::parse(bytes);

    // The lines one by one, LF or CR LF ended, the last one maybe without an end.
    ColorFile::Table expected;
    for (const QByteArray &line : bytes.split('\n')) {
        const QList<QByteArray> fields = line.split(';');
        if (fields.size() != 7)
            continue;
        expected.insert(QString::fromLatin1(fields.at(0)),
                        ColorFile::Entry{color(fields, 1), color(fields, 4)});
    }
    const QString where = fuzzHex(bytes);
    FUZZ_CHECK(table == expected, describe(table) + QStringLiteral(" <> ") + describe(expected)
                                      + QLatin1Char(' ') + where);
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        for (const ColorFile::Color &c : {it->text, it->background}) {
            if (c.valid)
                FUZZ_CHECK(c.red >= 0 && c.red <= 255 && c.green >= 0 && c.green <= 255
                               && c.blue >= 0 && c.blue <= 255,
                           where);
        }
    }

    // Written and read again: the same names and colours, a missing colour now black; and the
    // file written from that is the same file.
    const QByteArray written = ColorFile::format(table);
    FUZZ_CHECK(written.count('\n') == table.size(), where);
    FUZZ_CHECK(table.isEmpty() || written.endsWith('\n'), where);
    const ColorFile::Table reread = ColorFile::parse(written);
    ColorFile::Table blackened = table;
    for (auto it = blackened.begin(); it != blackened.end(); ++it) {
        for (ColorFile::Color *c : {&it->text, &it->background}) {
            if (!c->valid)
                *c = ColorFile::Color{0, 0, 0, true};
        }
    }
    FUZZ_CHECK(reread == blackened, describe(reread) + QStringLiteral(" <> ") + describe(blackened)
                                        + QLatin1Char(' ') + where);
    FUZZ_CHECK(ColorFile::format(reread) == written, where);
    return 0;
}
