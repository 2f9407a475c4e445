#include "tools/commands.h"

#include "files/capturefile.h"
#include "filters/filterexpression.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>
#include <optional>

using namespace Korvex;

namespace {

int usageError(const QString &message)
{
    std::fprintf(stderr, "drfdump: %s\n", qPrintable(message));
    std::fprintf(stderr, "Try 'drfdump --help' for more information.\n");
    return Dump::BadUsage;
}

// A whole number within [low, high], or nothing.
std::optional<qint64> number(const QString &text, qint64 low, qint64 high)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("drfdump"));
    QCoreApplication::setApplicationVersion(QStringLiteral("0.9"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the decoded frames of a DigRF capture, as the Framescope viewer shows them."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption formatOption(QStringLiteral("format"),
        QStringLiteral("Frame table format: tsv (default: the five cells joined by TAB, lines "
                       "ended by LF), csv (RFC 4180, lines ended by CR LF) or json (one array of "
                       "objects keyed by the column titles)."),
        QStringLiteral("format"),
        QStringLiteral("tsv"));
    const QCommandLineOption logOption(QStringLiteral("log"),
        QStringLiteral("Print the log lines of loading FILE instead of the frame table."));
    const QCommandLineOption frameOption(QStringLiteral("frame"),
        QStringLiteral("Print the details of frame N (counted from 0)."), QStringLiteral("N"));
    const QCommandLineOption baseOption(QStringLiteral("base"),
        QStringLiteral("Number base of the header fields: 2 (default), 8, 10 or 16."),
        QStringLiteral("base"), QStringLiteral("2"));
    const QCommandLineOption bytesOption(QStringLiteral("bytes-per-column"),
        QStringLiteral("Bytes per payload column: 1 (default), 2 or 4."), QStringLiteral("bytes"),
        QStringLiteral("1"));
    const QCommandLineOption columnsOption(QStringLiteral("columns"),
        QStringLiteral("Payload columns per line, 1 to 99 (default 4)."), QStringLiteral("C"),
        QStringLiteral("4"));
    const QCommandLineOption orderOption(QStringLiteral("byte-order"),
        QStringLiteral("Byte order within a payload column: big (default) or little."),
        QStringLiteral("order"), QStringLiteral("big"));
    const QCommandLineOption generateOption(QStringLiteral("generate"),
        QStringLiteral("Write a DigRF 3G capture of COUNT random frames (1 to 100000000) to the "
                       "file given with -o."),
        QStringLiteral("COUNT"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
        QStringLiteral("Seed of the random frames (default: the current time in seconds)."),
        QStringLiteral("SEED"));
    const QCommandLineOption outputOption(QStringList{QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("File to write with --generate."), QStringLiteral("FILE"));
    const QCommandLineOption filterOption(QStringLiteral("filter"),
        QStringLiteral("Only the frames that match EXPR, in the frame table, --count and --export. "
                       "Fields: channel (a name in quotes or 0-15), size (payload bits), code, "
                       "cts, frame, time (ns, or with a unit ns, us, ms, s), payload; operators "
                       "== != < <= > >=, in {...}, payload contains HEX BYTES (?? for any byte) "
                       "or \"TEXT\"; and, or, not, parentheses. Example: "
                       "'channel == \"RF IC Control\" and cts == 0'."),
        QStringLiteral("EXPR"));
    const QCommandLineOption countOption(QStringLiteral("count"),
        QStringLiteral("Print the number of frames (that match --filter) instead of the table."));
    const QCommandLineOption exportOption(QStringLiteral("export"),
        QStringLiteral("Write the frames (that match --filter) to FILE as a capture, their times "
                       "counted from the first one written."),
        QStringLiteral("FILE"));
    parser.addOptions({formatOption, logOption, frameOption, baseOption, bytesOption,
                       columnsOption, orderOption, generateOption, seedOption, outputOption,
                       filterOption, countOption, exportOption});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The capture to read."));

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(Dump::Success);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    const QStringList positional = parser.positionalArguments();
    const bool selecting = parser.isSet(filterOption) || parser.isSet(countOption)
                           || parser.isSet(exportOption);
    if (selecting && (parser.isSet(generateOption) || parser.isSet(logOption)
                      || parser.isSet(frameOption)))
        return usageError(QStringLiteral("--filter, --count and --export go with the frame table only"));
    if (parser.isSet(countOption) && parser.isSet(exportOption))
        return usageError(QStringLiteral("--count and --export cannot be combined"));
    if ((parser.isSet(countOption) || parser.isSet(exportOption)) && parser.isSet(formatOption))
        return usageError(QStringLiteral("--format applies to the frame table only"));

    if (parser.isSet(generateOption)) {
        const auto count = number(parser.value(generateOption), 1, 100000000);
        if (!count)
            return usageError(QStringLiteral("--generate takes a count from 1 to 100000000"));
        quint32 seed = quint32(QDateTime::currentSecsSinceEpoch());
        if (parser.isSet(seedOption)) {
            const auto value = number(parser.value(seedOption), 0, 0xFFFFFFFFLL);
            if (!value)
                return usageError(QStringLiteral("--seed takes a whole number from 0 to 4294967295"));
            seed = quint32(*value);
        }
        if (!parser.isSet(outputOption) || !positional.isEmpty())
            return usageError(QStringLiteral("--generate writes to the file given with -o"));
        return Dump::generateCapture(*count, seed, parser.value(outputOption), stderr);
    }

    if (positional.size() != 1)
        return usageError(QStringLiteral("expected one capture FILE"));
    const QString fileName = positional.first();

    if (parser.isSet(logOption))
        return Dump::printLog(fileName, stdout, stderr);

    if (parser.isSet(frameOption)) {
        Dump::FrameOptions options;
        const auto frame = number(parser.value(frameOption), 0, std::numeric_limits<qint64>::max());
        if (!frame)
            return usageError(QStringLiteral("--frame takes a frame number from 0"));
        options.frame = *frame;
        const QString base = parser.value(baseOption);
        if (!QStringList{"2", "8", "10", "16"}.contains(base))
            return usageError(QStringLiteral("--base takes 2, 8, 10 or 16"));
        options.base = base.toInt();
        const QString bytes = parser.value(bytesOption);
        if (!QStringList{"1", "2", "4"}.contains(bytes))
            return usageError(QStringLiteral("--bytes-per-column takes 1, 2 or 4"));
        options.bytesPerColumn = bytes.toInt();
        const auto columns = number(parser.value(columnsOption), 1, 99);
        if (!columns)
            return usageError(QStringLiteral("--columns takes a number from 1 to 99"));
        options.columns = int(*columns);
        const QString order = parser.value(orderOption);
        if (order != QLatin1String("big") && order != QLatin1String("little"))
            return usageError(QStringLiteral("--byte-order takes big or little"));
        options.byteOrder = order == QLatin1String("little") ? 1 : 0;
        return Dump::printFrame(fileName, options, stdout, stderr);
    }

    FilterExpression filter;
    if (parser.isSet(filterOption)) {
        FilterError error;
        filter = FilterExpression::parse(parser.value(filterOption), &error);
        if (!error.isError())
            error = filter.checkFor(protocolVersionOf(fileName));
        if (error.isError()) {
            std::fprintf(stderr, "drfdump: bad filter: %s\n", qPrintable(error.message()));
            return Dump::BadUsage;
        }
    }
    if (parser.isSet(countOption))
        return Dump::countFrames(fileName, filter, stdout, stderr);
    if (parser.isSet(exportOption))
        return Dump::exportFrames(fileName, filter, parser.value(exportOption), stderr);

    const QString format = parser.value(formatOption);
    if (format != QLatin1String("tsv") && format != QLatin1String("csv")
        && format != QLatin1String("json"))
        return usageError(QStringLiteral("--format takes tsv, csv or json"));
    return Dump::printTable(fileName, format, parser.isSet(filterOption) ? &filter : nullptr,
                            stdout, stderr);
}
