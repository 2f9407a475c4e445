#ifndef VIEWS_FRAMETEXT_H
#define VIEWS_FRAMETEXT_H

#include "frames/framerecord.h"

#include <QString>

namespace Korvex {

/// The texts of the frame table: its column titles and the text of every cell, shared by the
/// viewer's table and drfdump so that both always show the same.
namespace FrameText {

/// Columns of the frame table: time, frame, CTS (or CRI), payload size, payload.
constexpr int ColumnCount = 5;

/// Title of a column; "CTS" for DigRF 3G and "CRI" otherwise in column 2; empty past column 4.
QString columnTitle(int column, int protocolVersion);

/// Appends the text of one cell to `out`; nothing for a column past 4. Column 2 follows the
/// given protocol version (the table's), the other columns the record's own.
void appendCell(QString &out, const FrameRecord &record, int column, int protocolVersion);

/// The text of one cell.
QString cell(const FrameRecord &record, int column, int protocolVersion);

} // namespace FrameText

} // namespace Korvex

#endif // VIEWS_FRAMETEXT_H
