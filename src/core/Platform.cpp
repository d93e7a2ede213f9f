#include "Platform.h"

#include <QFileInfo>

#include <climits>
#include <unistd.h>

namespace {
QString overriddenDirectory;
}

QString ProgramDirectory()
{
    if (!overriddenDirectory.isEmpty())
        return overriddenDirectory;
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return QStringLiteral("./");
    buf[n] = '\0';
    QString dir = QFileInfo(QString::fromLocal8Bit(buf)).absolutePath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

void OverrideProgramDirectory(const QString& dir)
{
    overriddenDirectory = dir;
    if (!overriddenDirectory.isEmpty() && !overriddenDirectory.endsWith(QLatin1Char('/')))
        overriddenDirectory += QLatin1Char('/');
}
