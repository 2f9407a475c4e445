// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_COLORS_COLORFILE_H
#define CORE_COLORS_COLORFILE_H

#include <QByteArray>
#include <QMap>
#include <QString>

#include <optional>

namespace Korvex {

/// The text format of a colour file: one line "name;r;g;b;r;g;b" per channel type, giving its
/// text and background colour. Reading is lenient the way users' hand-edited files need it.
class ColorFile
{
public:
    /// One colour as the file holds it: three components, or no colour at all.
    struct Color
    {
        int red = 0;
        int green = 0;
        int blue = 0;
        bool valid = false;

        /// A colour is only valid when every component lies in 0-255.
        static Color fromRgb(int red, int green, int blue);
        bool operator==(const Color &other) const;
        bool operator!=(const Color &other) const { return !(*this == other); }
    };

    struct Entry
    {
        Color text;
        Color background;

        bool operator==(const Entry &other) const;
        bool operator!=(const Entry &other) const { return !(*this == other); }
    };

    /// Keyed by channel type name; the map's order is the order of the lines written.
    using Table = QMap<QString, Entry>;

    /// Reads every line of exactly seven fields; other lines are skipped without a word.
    static Table parse(const QByteArray &bytes);
    /// The file's bytes for a table: one line per entry, a colour without value as zeros.
    static QByteArray format(const Table &table);

    /// The table in the file at path, or nothing when the file cannot be opened.
    static std::optional<Table> read(const QString &path);
    /// Replaces the file at path with the table. The old file is only replaced once the new
    /// one is complete, so a failed write leaves it as it was; false on any failure.
    static bool write(const QString &path, const Table &table);

    /// "colors3G" or "colorsV4" by protocol version, then ".def" or ".lst".
    static QString fileName(int protocolVersion, bool defaults);
};

} // namespace Korvex

#endif // CORE_COLORS_COLORFILE_H
