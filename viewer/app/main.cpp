// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"
#include "core/text/programinfo.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace Korvex;

namespace {

enum Status { Success = 0, Failed = 1, BadUsage = 2 };

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Views the frames of a DigRF capture file: a name ending in .drf3 is read as DigRF 3G, "
        "any other as DigRF v4. Without FILE the window opens empty."));
    // Not addHelpOption(): its --help-all lists the window system's options, which are only
    // known once a display has been opened.
    parser.addOption(QCommandLineOption(
        {QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
        QStringLiteral("Displays help on commandline options.")));
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The capture to open."),
                                 QStringLiteral("[FILE]"));
}

// Prints the text; a failure to write it (a full disk) is an error like any other.
int print(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    errno = 0;
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout)
                             == size_t(bytes.size())
                         && std::fflush(stdout) == 0;
    if (written)
        return Success;
    std::fprintf(stderr, "framescope: cannot write the output: %s\n",
                 std::strerror(errno != 0 ? errno : EIO));
    return Failed;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("framescope"));
    QCoreApplication::setApplicationVersion(ProgramInfo::version());

    // --help and --version are answered before any window system is asked for, so they work
    // without a display. Options of the window system (-platform, -style ...) are only known
    // once the application below has taken them off the command line.
    {
        QCoreApplication early(argc, argv);
        QCommandLineParser parser;
        describe(parser);
        parser.parse(QCoreApplication::arguments());
        if (parser.isSet(QStringLiteral("help")))
            return print(parser.helpText());
        if (parser.isSet(QStringLiteral("version")))
            return print(ProgramInfo::versionText(QStringLiteral("framescope")));
    }

    auto *app = new QApplication(argc, argv);
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(QApplication::arguments())) {
        std::fprintf(stderr, "framescope: %s\nTry 'framescope --help' for more information.\n",
                     qPrintable(parser.errorText()));
        delete app;
        return BadUsage;
    }
    // Only the first file is opened; further ones are ignored.
    const QString fileName = parser.positionalArguments().value(0);

    auto *window = new Framescope(fileName);
    window->show();
    QApplication::exec();

    delete window;
    delete app;
    return Success;
}
