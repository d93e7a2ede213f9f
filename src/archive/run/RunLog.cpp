#include "archive/run/RunLog.h"

#include "core/Messages.h"
#include "platform/Files.h"
#include "platform/Platform.h"

QString LogFilePath()
{
    return DataDirectory() + QStringLiteral("Log.txt");
}

void SaveLog(const QStringList& lines)
{
    QByteArray text;
    for (const QString& line : lines) {
        text += line.toUtf8();
        text += "\r\n";
    }
    const QString path = LogFilePath();
    if (const OsError error = WriteFileAtomically(path, text))
        throw LogWriteError(Msg::LogWriteFailed(path, Msg::SystemReason(error)).toStdString());
}
