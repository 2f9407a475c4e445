// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/commands.h"
#include "tools/textoutput.h"

#include "core/fields/fielddefinitions.h"
#include "core/files/capturefile.h"
#include "core/filters/filterexpression.h"
#include "core/text/programinfo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <limits>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

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
    // A reader that stops early (drfdump FILE | head) ends the program at its next write,
    // quietly, as with any filter; also when the parent had the signal ignored.
    std::signal(SIGPIPE, SIG_DFL);
    // A standard stream the caller closed (drfdump FILE >&-) would be taken over by the next
    // file opened. Held by /dev/null opened for reading, writing to it fails as it should.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF)
            open("/dev/null", O_RDONLY);
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("drfdump"));
    QCoreApplication::setApplicationVersion(ProgramInfo::version());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the decoded frames of a DigRF capture, as the Framescope viewer shows them.\n"
        "Exit status: 0 on success; 1 when FILE cannot be read, its load was aborted or the "
        "output cannot be written; 2 for bad usage, a bad filter or a bad definition file."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption formatOption(QStringLiteral("format"),
        QStringLiteral("Frame table format: tsv (default: the frame number No. and the five "
                       "cells joined by TAB, lines ended by LF), csv (RFC 4180, lines ended by "
                       "CR LF), json (one array of objects keyed by the column titles) or jsonl "
                       "(JSON Lines: one such object per line). With --log: tsv, json or jsonl "
                       "(one object per line); with --stats: tsv, json or jsonl (one object per "
                       "table row, its table named by the key \"table\")."),
        QStringLiteral("format"),
        QStringLiteral("tsv"));
    const QCommandLineOption logOption(QStringLiteral("log"),
        QStringLiteral("Print the log lines of loading FILE instead of the frame table: "
                       "LEVEL<TAB>TEXT per line, with a backslash, tab, line feed and carriage "
                       "return in TEXT written as \\\\, \\t, \\n and \\r; with --format "
                       "json one array of objects {\"level\": ..., \"text\": ...}."));
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
                       "file given with -o. A name that does not end in .drf3 gets a warning: "
                       "the viewer would open it as DigRF v4."),
        QStringLiteral("COUNT"));
    const QCommandLineOption trafficOption(QStringLiteral("traffic"),
        QStringLiteral("With --generate: realistic traffic instead of random frames. A Time "
                       "Accurate Strobe Message every slot (666.67 us), bursts of RF IC Control "
                       "frames, Data Channels A to C streaming in stretches with their CTS bit "
                       "toggling, Interface Control and now and then a reserved channel type; "
                       "the times are the distances a real interface would show."));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
        QStringLiteral("Seed of the random frames (default: the current time in seconds); the "
                       "same seed writes the same frames."),
        QStringLiteral("SEED"));
    const QCommandLineOption outputOption(QStringList{QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("File to write with --generate."), QStringLiteral("FILE"));
    const QCommandLineOption timeOption(QStringLiteral("time"),
        QStringLiteral("Time column of the frame table: first (default: time since the first "
                       "frame), delta (since the frame before), displayed (since the frame "
                       "printed before: the same as delta, as every frame is printed), channel "
                       "(since the frame before of the same logical channel type; empty for a "
                       "channel's first frame) or reference (since the frame given with "
                       "--reference, negative before it)."),
        QStringLiteral("mode"), QStringLiteral("first"));
    const QCommandLineOption referenceOption(QStringLiteral("reference"),
        QStringLiteral("Reference frame of --time reference (counted from 0; default 0)."),
        QStringLiteral("N"));
    const QCommandLineOption statsOption(QStringLiteral("stats"),
        QStringLiteral("Print the capture's statistics (of the frames that match --filter) "
                       "instead of the frame table, as the viewer's statistics window copies "
                       "them, in the --format given: tsv (its tables, parted by empty lines), "
                       "json (one object) or jsonl. The format may also follow --stats: "
                       "--stats json FILE."));

    const QCommandLineOption filterOption(QStringLiteral("filter"),
        QStringLiteral("Only the frames that match EXPR, in the frame table, --count, --export "
                       "and --stats. "
                       "Fields: channel (a name in quotes or 0-15), size (payload bits), code, "
                       "cts, frame, time (ns, also in hex, or with a unit ns, us, ms, s), payload; operators "
                       "== != < <= > >=, in {...}, payload contains HEX BYTES (?? for any byte) "
                       "or \"TEXT\"; and, or, not, parentheses. With --fields also message "
                       "(== or != a message name in quotes) and MESSAGE.FIELD (its physical "
                       "value, or a value name in quotes). Example: "
                       "'channel == \"RF IC Control\" and cts == 0'."),
        QStringLiteral("EXPR"));
    const QCommandLineOption countOption(QStringLiteral("count"),
        QStringLiteral("Print the number of frames (that match --filter) instead of the table."));
    const QCommandLineOption exportOption(QStringLiteral("export"),
        QStringLiteral("Write the frames (that match --filter) to FILE as a capture, their times "
                       "counted from the first one written."),
        QStringLiteral("FILE"));
    const QCommandLineOption fieldsOption(QStringLiteral("fields"),
        QStringLiteral("Decode payloads into named fields with the definition file DEF (TOML; "
                       "see drfdump(1)): the frame table gets a Message column and a column "
                       "MESSAGE.FIELD per field, --frame prints the decoded message after the "
                       "dump, --stats adds the fields' figures and --filter may name messages "
                       "and fields. Mistakes in DEF are printed as DEF:LINE:COLUMN: ..."),
        QStringLiteral("DEF"));
    const QCommandLineOption followOption(QStringLiteral("follow"),
        QStringLiteral("Print the frame table (or with --count the number of frames), then "
                       "keep reading FILE as it is written, as tail -f does: every new frame is "
                       "printed once all its bytes are there, within a quarter of a second; "
                       "with --count a line gives the new number each second in which it "
                       "changed. SIGINT, SIGTERM or a reader that goes away end it with exit "
                       "status 0, every whole frame printed; a file that shrinks or is "
                       "written over ends it with status 1."));
    parser.addOptions({formatOption, logOption, frameOption, baseOption, bytesOption,
                       columnsOption, orderOption, generateOption, trafficOption, seedOption,
                       outputOption, timeOption, referenceOption, statsOption, filterOption,
                       countOption, exportOption, fieldsOption, followOption});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The capture to read."));

    // --stats=FORMAT, as earlier versions took it, is --stats FORMAT.
    QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size() && arguments.at(i) != QLatin1String("--"); ++i) {
        if (arguments.at(i).startsWith(QLatin1String("--stats="))) {
            arguments.insert(i + 1, arguments.at(i).mid(8));
            arguments[i] = QStringLiteral("--stats");
        }
    }
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    // Written as every other output is, so that a failed write says so and exits with 1.
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))
        || parser.isSet(QStringLiteral("version"))) {
        Dump::TextOutput out(stdout);
        out.text() = parser.isSet(QStringLiteral("version"))
                         ? ProgramInfo::versionText(QStringLiteral("drfdump"))
                         : parser.helpText();
        return out.finish(stderr);
    }

    QStringList positional = parser.positionalArguments();
    const bool selecting = parser.isSet(filterOption) || parser.isSet(countOption)
                           || parser.isSet(exportOption);
    if (selecting && (parser.isSet(generateOption) || parser.isSet(logOption)
                      || parser.isSet(frameOption)))
        return usageError(QStringLiteral("--filter, --count and --export go with the frame table only"));
    if (parser.isSet(statsOption) && (parser.isSet(countOption) || parser.isSet(exportOption)))
        return usageError(QStringLiteral("--stats cannot be combined with --count or --export"));
    if (parser.isSet(countOption) && parser.isSet(exportOption))
        return usageError(QStringLiteral("--count and --export cannot be combined"));
    if ((parser.isSet(countOption) || parser.isSet(exportOption)) && parser.isSet(formatOption))
        return usageError(QStringLiteral("--format applies to the frame table only"));

    if (parser.isSet(followOption)
        && (parser.isSet(generateOption) || parser.isSet(logOption) || parser.isSet(frameOption)
            || parser.isSet(statsOption) || parser.isSet(exportOption)))
        return usageError(QStringLiteral("--follow goes with the frame table and --count only"));
    if (parser.isSet(trafficOption) && !parser.isSet(generateOption))
        return usageError(QStringLiteral("--traffic goes with --generate"));
    if (parser.isSet(fieldsOption) && (parser.isSet(generateOption) || parser.isSet(logOption)))
        return usageError(QStringLiteral("--fields goes with the frame table, --frame and --stats"));
    Dump::Definitions fields;
    if (parser.isSet(fieldsOption)) {
        QStringList errors;
        fields = FieldDefinitions::read(parser.value(fieldsOption), &errors);
        if (!fields) {
            for (const QString &error : std::as_const(errors))
                std::fprintf(stderr, "%s\n", error.toUtf8().constData());
            return Dump::BadUsage;
        }
    }

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
        return Dump::generateCapture(*count, seed, parser.isSet(trafficOption),
                                     parser.value(outputOption), stderr);
    }

    // The format may follow --stats as its argument, as in earlier versions.
    const QStringList statsFormats{QStringLiteral("tsv"), QStringLiteral("json"),
                                   QStringLiteral("jsonl")};
    QString statsFormat = parser.value(formatOption);
    if (parser.isSet(statsOption)) {
        if (positional.isEmpty())
            return usageError(QStringLiteral("--stats needs a format or a FILE"));
        if (positional.size() == 2) {
            if (parser.isSet(formatOption))
                return usageError(QStringLiteral("--stats takes its format once"));
            statsFormat = positional.takeFirst();
        } else if (positional.size() == 1 && statsFormats.contains(positional.first())
                   && !QFileInfo::exists(positional.first())) {
            return usageError(QStringLiteral("--stats %1 needs a FILE").arg(positional.first()));
        }
    }
    if (positional.size() != 1)
        return usageError(QStringLiteral("expected one capture FILE"));
    const QString fileName = positional.first();

    if (parser.isSet(logOption)) {
        const QString format = parser.value(formatOption);
        if (!statsFormats.contains(format))
            return usageError(QStringLiteral("--log prints tsv, json or jsonl"));
        return Dump::printLog(fileName, format, stdout, stderr);
    }

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
        return Dump::printFrame(fileName, options, fields, stdout, stderr);
    }

    if (parser.isSet(statsOption) && !statsFormats.contains(statsFormat))
        return usageError(QStringLiteral("--stats prints tsv, json or jsonl"));
    FilterExpression filter;
    if (parser.isSet(filterOption)) {
        FilterError error;
        filter = fields ? FilterExpression::parse(parser.value(filterOption), &error, fields)
                        : FilterExpression::parse(parser.value(filterOption), &error);
        if (!error.isError())
            error = filter.checkFor(protocolVersionOf(fileName));
        if (error.isError()) {
            std::fprintf(stderr, "drfdump: bad filter: %s\n", qPrintable(error.message()));
            return Dump::BadUsage;
        }
    }
    const FilterExpression *filtering = parser.isSet(filterOption) ? &filter : nullptr;
    if (parser.isSet(statsOption))
        return Dump::printStats(fileName, statsFormat, filtering, fields, stdout, stderr);
    if (parser.isSet(countOption) && parser.isSet(followOption))
        return Dump::followCount(fileName, filtering, stdout, stderr);
    if (parser.isSet(countOption))
        return Dump::countFrames(fileName, filter, stdout, stderr);
    if (parser.isSet(exportOption))
        return Dump::exportFrames(fileName, filter, parser.value(exportOption), stdout, stderr);

    const QString format = parser.value(formatOption);
    if (format != QLatin1String("csv") && !statsFormats.contains(format))
        return usageError(QStringLiteral("--format takes tsv, csv, json or jsonl"));
    Dump::TimeOptions time;
    const std::optional<TimeMode> mode = TimeText::modeOf(parser.value(timeOption));
    if (!mode)
        return usageError(QStringLiteral("--time takes first, delta, displayed, channel or reference"));
    time.mode = *mode;
    if (parser.isSet(referenceOption)) {
        if (time.mode != TimeMode::SinceReference)
            return usageError(QStringLiteral("--reference goes with --time reference"));
        const auto reference = number(parser.value(referenceOption), 0,
                                      std::numeric_limits<qint64>::max());
        if (!reference)
            return usageError(QStringLiteral("--reference takes a frame number from 0"));
        time.reference = *reference;
        // Its time first: the table is printed as it is read.
        const int found = Dump::frameTime(fileName, time.reference, time.referenceTicks, stderr);
        if (found != Dump::Success)
            return found;
    }
    if (parser.isSet(followOption))
        return Dump::followTable(fileName, format, time, filtering, fields, stdout, stderr);
    return Dump::printTable(fileName, format, time, filtering, fields, stdout, stderr);
}
