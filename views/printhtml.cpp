#include "views/printhtml.h"

#include <QAbstractItemModel>
#include <QIODevice>
#include <QTextStream>

namespace Korvex {

QString printHtml(const QAbstractItemModel &model,
                  const std::function<bool(int column)> &isColumnHidden)
{
    QString html;
    QTextStream out(&html, QIODevice::ReadWrite);
    const int rows = model.rowCount();
    const int columns = model.columnCount();

    out << "<html>\n<head>\n<title>DigRF 3G Frames</title>\n</head>\n"
           "<body bgcolor=#ffffff>\n<table border=1 cellspacing=0 cellpadding=2>\n";
    out << "<tr bgcolor=#f0f0f0>";
    for (int c = 0; c < columns; ++c) {
        if (!isColumnHidden(c))
            out << "<th>" << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()
                << "</th>";
    }
    out << "</tr>\n";

    for (int r = 0; r < rows; ++r) {
        out << "<tr>";
        for (int c = 0; c < columns; ++c) {
            if (isColumnHidden(c))
                continue;
            const QString text = model.data(model.index(r, c), Qt::DisplayRole).toString()
                                     .simplified();
            // An empty cell would lose its border.
            out << "<td bkcolor=0>" << (text.isEmpty() ? QStringLiteral("&nbsp;") : text)
                << "</td>";
        }
        out << "</tr>\n";
    }

    out << "</table>\n</body>\n</html>\n";
    out.flush();
    return html;
}

} // namespace Korvex
