#ifndef VIEWS_PRINTHTML_H
#define VIEWS_PRINTHTML_H

#include <QString>

#include <functional>

QT_BEGIN_NAMESPACE
class QAbstractItemModel;
QT_END_NAMESPACE

namespace Korvex {

/// The printed frame list: one HTML table with a header row of the model's column titles and
/// one row per model row with its display texts, simplified, "&nbsp;" for an empty cell.
/// Columns for which isColumnHidden answers true are left out.
QString printHtml(const QAbstractItemModel &model,
                  const std::function<bool(int column)> &isColumnHidden);

} // namespace Korvex

#endif // VIEWS_PRINTHTML_H
