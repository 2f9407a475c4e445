// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/colors/colorfile.h"

#include "core/files/outputfile.h"
#include "core/files/unsigneddecimal.h"

#include <QFile>
#include <QList>

#include <climits>
#include <optional>

namespace Korvex {

namespace {

constexpr int FieldCount = 7;

// A field that is not a decimal number (with an optional sign), or is empty, or lies past the
// range of int, counts as 0; white space around it (the line end in the last field) does not
// matter. A number outside 0-255 makes its colour invalid later.
int component(const QByteArray &field)
{
    QByteArrayView digits = QByteArrayView(field).trimmed();
    const bool negative = digits.startsWith('-');
    if (negative || digits.startsWith('+'))
        digits = digits.sliced(1);
    const std::optional<quint64> value = parseUnsignedDecimal(digits);
    const quint64 limit = negative ? quint64(INT_MAX) + 1 : quint64(INT_MAX);
    if (!value || *value > limit)
        return 0;
    return negative ? int(-qint64(*value)) : int(*value);
}

void appendColor(QByteArray &out, const ColorFile::Color &color)
{
    const ColorFile::Color written = color.valid ? color : ColorFile::Color();
    for (int value : {written.red, written.green, written.blue}) {
        out += ';';
        out += QByteArray::number(value);
    }
}

} // namespace

ColorFile::Color ColorFile::Color::fromRgb(int red, int green, int blue)
{
    const auto inRange = [](int value) { return value >= 0 && value <= 255; };
    return Color{red, green, blue, inRange(red) && inRange(green) && inRange(blue)};
}

bool ColorFile::Color::operator==(const Color &other) const
{
    if (valid != other.valid)
        return false;
    // Without a value the components carry no meaning.
    return !valid || (red == other.red && green == other.green && blue == other.blue);
}

bool ColorFile::Entry::operator==(const Entry &other) const
{
    return text == other.text && background == other.background;
}

ColorFile::Table ColorFile::parse(const QByteArray &bytes)
{
    Table table;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', start);
        const qsizetype end = newline < 0 ? bytes.size() : newline;
        const QByteArray line = bytes.mid(start, end - start);
        start = end + 1;

        // Counted before splitting: a long line of separators would otherwise become millions
        // of empty fields, costing far more memory than the file itself.
        if (line.count(';') != FieldCount - 1)
            continue;
        const QList<QByteArray> fields = line.split(';');
        Entry entry;
        entry.text = Color::fromRgb(component(fields.at(1)), component(fields.at(2)),
                                    component(fields.at(3)));
        entry.background = Color::fromRgb(component(fields.at(4)), component(fields.at(5)),
                                          component(fields.at(6)));
        // The file is 8-bit text: every byte is one character. A later line of the same name
        // replaces an earlier one.
        table.insert(QString::fromLatin1(fields.at(0)), entry);
    }
    return table;
}

QByteArray ColorFile::format(const Table &table)
{
    QByteArray out;
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        // Latin-1 both ways, so whatever name was read is written back as the same bytes.
        out += it.key().toLatin1();
        appendColor(out, it->text);
        appendColor(out, it->background);
        out += '\n';
    }
    return out;
}

std::optional<ColorFile::Table> ColorFile::read(const QString &path)
{
    // Binary mode: parse() takes CR LF and LF alike on every platform.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parse(file.readAll());
}

bool ColorFile::write(const QString &path, const Table &table)
{
    const QByteArray bytes = format(table);
    OutputFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Text)
           && file.device().write(bytes) == bytes.size() && file.commit();
}

QString ColorFile::fileName(int protocolVersion, bool defaults)
{
    return QLatin1String(protocolVersion != 0 ? "colorsV4" : "colors3G")
           + QLatin1String(defaults ? ".def" : ".lst");
}

} // namespace Korvex
