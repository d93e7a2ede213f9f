#include "core/Messages.h"

#include <cerrno>

namespace Msg {

QString SystemReason(int errorCode)
{
    switch (errorCode) {
    case 0:
        return QStringLiteral("bez błędu");
    case ENOENT:
        return QStringLiteral("nie ma takiego pliku ani folderu");
    case EACCES:
    case EPERM:
        return QStringLiteral("brak uprawnień");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("brak miejsca na dysku");
    case EISDIR:
        return QStringLiteral("to jest folder, nie plik");
    case ENOTDIR:
        return QStringLiteral("to nie jest folder");
    case EROFS:
        return QStringLiteral("nośnik tylko do odczytu");
    case EIO:
        return QStringLiteral("błąd wejścia-wyjścia nośnika");
    case EEXIST:
    case ENOTEMPTY:
        return QStringLiteral("plik już istnieje");
    case ENAMETOOLONG:
        return QStringLiteral("nazwa jest za długa");
    case EFBIG:
        return QStringLiteral("plik jest za duży");
    case ELOOP:
        return QStringLiteral("dowiązanie symboliczne w ścieżce");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("za dużo otwartych plików");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("plik jest zajęty");
    case EXDEV:
        return QStringLiteral("inny system plików");
    case ENOMEM:
        return QStringLiteral("za mało pamięci");
    case EWOULDBLOCK:
        return QStringLiteral("plik jest używany przez inny program");
    case ESTALE:
    case ENOTCONN:
    case EHOSTDOWN:
    case ETIMEDOUT:
        return QStringLiteral("nośnik sieciowy nie odpowiada");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("urządzenie niedostępne");
    default:
        return QStringLiteral("błąd systemu nr %1").arg(errorCode);
    }
}

QString ItemCount(qint64 count)
{
    const qint64 tens = count % 100;
    const qint64 ones = count % 10;
    if (count == 1)
        return QStringLiteral("1 element");
    if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        return QStringLiteral("%1 elementy").arg(count);
    return QStringLiteral("%1 elementów").arg(count);
}

QString ByteSize(quint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    static const char* const units[] = {"KB", "MB", "GB", "TB"};
    double value = double(bytes) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit < 3) {
        value /= 1024.0;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(QString::number(value, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(',')),
                                       QLatin1String(units[unit]));
}

}  // namespace Msg
