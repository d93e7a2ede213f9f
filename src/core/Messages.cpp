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

}  // namespace Msg
