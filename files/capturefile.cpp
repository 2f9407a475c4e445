#include "files/capturefile.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>

namespace Korvex {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Framescope", text);
}

} // namespace

int protocolVersionOf(const QString &fileName)
{
    return QFileInfo(fileName).suffix().toLower() == QLatin1String("drf3") ? 0 : 1;
}

QString protocolVersionLogText(int protocolVersion)
{
    return tr("Set DigRF Version to %1")
        .arg(protocolVersion == 0 ? QStringLiteral("3G") : QStringLiteral("v4"));
}

QString cannotOpenLogText(const QString &fileName)
{
    return tr("Cannot open file %1").arg(fileName);
}

QString openedLogText(const QString &fileName)
{
    return tr("Open file %1: success").arg(fileName);
}

CaptureResult readCaptureFile(const QString &fileName, FrameList &frames, FrameReaderSink &sink,
                              int *protocolVersion)
{
    const int version = protocolVersionOf(fileName);
    if (protocolVersion)
        *protocolVersion = version;
    sink.log(protocolVersionLogText(version), LogLevel::Info);

    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        sink.log(cannotOpenLogText(fileName), LogLevel::Error);
        return CaptureResult::CannotOpen;
    }
    sink.log(openedLogText(fileName), LogLevel::Info);
    QDataStream in(&file);
    in.setByteOrder(QDataStream::LittleEndian);
    return readFrames(in, file.size(), version, frames, sink) < 0 ? CaptureResult::Aborted
                                                                  : CaptureResult::Loaded;
}

} // namespace Korvex
