#pragma once
// Every text the program shows or writes for the user, in Polish, in one place: the messages
// and questions of the dialog, the lines of "Log.txt", the standard-error lines of the runs
// without a display, and the reasons given for the system's errors. "\r" breaks a line in the
// dialog (and becomes a line break on standard error).

#include <QString>

namespace Msg {

// --- The list file ------------------------------------------------------------------------
inline QString ListDamaged() { return QStringLiteral("Plik listy jest uszkodzony.\rUtwórz nowy plik."); }
inline QString ListSaveFailed()
{
    return QStringLiteral("Problemy z zapisaniem pliku listy.\rCzy masz należyte uprawnienia?");
}
// An existing list file that cannot be read: its path and the reason.
inline QString ListUnreadable(const QString& path, const QString& reason)
{
    return QStringLiteral("Nie można odczytać pliku listy %1: %2.").arg(path, reason);
}

// A file that cannot be read or written, with the reason.
inline QString FileUnreadable(const QString& path, const QString& reason)
{
    return QStringLiteral("Nie można odczytać pliku %1: %2.").arg(path, reason);
}
inline QString FileUnwritable(const QString& path, const QString& reason)
{
    return QStringLiteral("Nie można zapisać pliku %1: %2.").arg(path, reason);
}

// --- The entry editor ---------------------------------------------------------------------
inline QString NothingToEdit() { return QStringLiteral("Nie masz czego edytować."); }
inline QString NothingToDelete() { return QStringLiteral("Nie masz czego usuwać."); }
inline QString EnterRequiredData() { return QStringLiteral("Wprowadź konieczne dane."); }
inline QString ConfirmDelete(const QString& nazwa)
{
    return QStringLiteral("Czy rzeczywiście usunąć \"") + nazwa + QStringLiteral("\"?\rTej operacji nie można cofnąć");
}
inline QString ConfirmNewList()
{
    return QStringLiteral("Utworzenie nowej listy wiąże się z wykasowaniem istniejącej.\r"
                          "Czy rzeczywiście utworzyć nową?");
}

// --- The main window and the menus --------------------------------------------------------
inline QString NothingToSelect() { return QStringLiteral("Lista jest pusta, nie ma co zaznaczać."); }

// --- Run control in the main window; the editor's check of a repeated entry ---------------
// In the status panel as soon as Escape is pressed during a run; the question follows when
// the entry being packed is done.
inline QString StopHeard() { return QStringLiteral("Przerwanie po tym wpisie…"); }
// The editor refuses a second entry that would write the same archive.
inline QString DuplicateEntry()
{
    return QStringLiteral("Wpis o tej nazwie i tym folderze docelowym już istnieje.");
}

// --- The archive run ----------------------------------------------------------------------
inline QString NothingToArchive() { return QStringLiteral("Lista jest pusta, nie ma co archiwizować."); }
inline QString NothingSelected() { return QStringLiteral("Nie wybrano żadnego elementu do archiwizacji."); }
inline QString ConfirmStop() { return QStringLiteral("Czy rzeczywiście przerwać archiwizację?"); }
inline QString RunHadErrors() { return QStringLiteral("Wystąpiły błędy podczas archiwizacji.\rZobacz log."); }
inline QString LogWriteFailed(const QString& path, const QString& reason)
{
    return QStringLiteral("Nie można zapisać pliku logu %1.\r%2").arg(path, reason);
}

// Lines of "Log.txt".
inline QString LogHeader(const QString& folderName) { return QStringLiteral("Log dla: ") + folderName; }
inline QString LogSeparator() { return QStringLiteral("++++++++++++++++++++++++++++++++++"); }
inline QString LogArchived(const QString& nazwa) { return QStringLiteral("Zarchiwizowano ") + nazwa; }
inline QString LogDestinationMissing(const QString& nazwa)
{
    return QStringLiteral("Folder docelowy dla ") + nazwa + QStringLiteral(" nie istnieje");
}
inline QString LogSourceMissing(const QString& nazwa)
{
    return QStringLiteral("Folder lub plik źródłowy dla ") + nazwa + QStringLiteral(" nie istnieje");
}
inline QString LogPackFailed(const QString& nazwa)
{
    return QStringLiteral("Niezidentyfikowane problemy przy pakowaniu ") + nazwa;
}
inline QString LogVerifyFailed(const QString& nazwa)
{
    return QStringLiteral("Sprawdzenie archiwum ") + nazwa + QStringLiteral(" nie powiodło się");
}
inline QString LogCancelled() { return QStringLiteral("Przerwano archiwizację na żądanie użytkownika."); }
inline QString LogListEmpty() { return QStringLiteral("Lista plików jest pusta."); }

// --- Reasons in the run's log, each under an entry's line after a TAB ------------------------
// One entry refused before anything was written.
inline QString LogNameUsedInRun(const QString& nazwa)
{
    return QStringLiteral("Pominięto ") + nazwa + QStringLiteral(": archiwum o tej nazwie zapisano już w tej archiwizacji");
}
inline QString LogNoName() { return QStringLiteral("Wpis bez nazwy pominięto"); }
// A cause with the file or folder it concerns.
inline QString ReasonAt(const QString& path, const QString& reason) { return path + QStringLiteral(": ") + reason; }
inline QString ReasonChangedWhileRead() { return QStringLiteral("plik zmienił się podczas odczytu"); }
inline QString ReasonFolderUnlistable(const QString& why)
{
    return QStringLiteral("nie można odczytać zawartości folderu (%1)").arg(why);
}
inline QString ReasonFileUnreadable(const QString& why)
{
    return QStringLiteral("nie można odczytać pliku (%1), pominięto go").arg(why);
}
inline QString ReasonSpecialFileLeftOut()
{
    return QStringLiteral("pominięto plik specjalny (gniazdo, potok lub urządzenie)");
}
inline QString ReasonArchiveWrite(const QString& why) { return QStringLiteral("nie można zapisać archiwum (%1)").arg(why); }
inline QString ReasonBadArchiveName()
{
    return QStringLiteral("nazwa archiwum nie może zawierać \"/\" ani znaków sterujących ani być \".\" lub \"..\"");
}
inline QString ReasonUnknownType(const QString& typ)
{
    return QStringLiteral("nieznany rodzaj wpisu \"%1\" (dozwolone: Plik, Folder)").arg(typ);
}
inline QString ReasonNotAFile() { return QStringLiteral("to nie jest zwykły plik"); }
inline QString ReasonDatedFolderIsLink()
{
    return QStringLiteral("w miejscu folderu archiwizacji jest dowiązanie symboliczne, nie użyto go");
}
inline QString ReasonDatedFolderNotAFolder()
{
    return QStringLiteral("w miejscu folderu archiwizacji jest coś innego niż folder");
}
inline QString ReasonUnknown() { return QStringLiteral("przyczyna nieznana"); }
inline QString ReasonNothingGathered() { return QStringLiteral("nie znaleziono nic do spakowania"); }
// Another run of the same program folder holds its lock.
inline QString RunAlreadyInProgress() { return QStringLiteral("Archiwizacja już trwa."); }
// The second line of the damaged-list message: where the damaged file was kept.
inline QString ListDamagedKeptAs(const QString& path)
{
    return QStringLiteral("Uszkodzony plik zachowano jako %1.").arg(path);
}

// --- Unchanged entries and keeping only the newest archives (lines of "Log.txt") -----------
// An entry whose archive became a second name of its newest earlier one.
inline QString LogArchivedUnchanged(const QString& nazwa)
{
    return QStringLiteral("Zarchiwizowano ") + nazwa + QStringLiteral(" (bez zmian)");
}
// A reason under an entry: direct subfolders with content that a folder entry leaves out.
inline QString ReasonSkippedSubfolders(long long count)
{
    return QStringLiteral("pominięto zawartość podfolderów: ") + QString::number(count);
}
// A reason under an entry made from its earlier archive: what the update did.
inline QString ReasonUpdated(unsigned changed, unsigned added, unsigned removed)
{
    return QStringLiteral("zmienione pliki: %1, nowe: %2, usunięte: %3").arg(changed).arg(added).arg(removed);
}
// A reason under an entry: its newest earlier archive did not test whole, so nothing was taken
// from it.
inline QString ReasonEarlierDamaged(const QString& path)
{
    return QStringLiteral("wcześniejsze archiwum %1 jest uszkodzone; spakowano od nowa").arg(path);
}
inline QString LogOldArchiveRemoved(const QString& path) { return QStringLiteral("Usunięto stare archiwum ") + path; }
inline QString LogOldArchiveNotRemoved(const QString& path, const QString& reason)
{
    return QStringLiteral("Nie można usunąć starego archiwum %1: %2").arg(path, reason);
}

// --- Reading archives back: "/verify" and "/restore" (standard output and error) ----------
inline QString VerifyGood(const QString& path) { return QStringLiteral("poprawne: ") + path; }
inline QString VerifyDamaged(const QString& path, const QString& reason)
{
    return QStringLiteral("uszkodzone: %1 (%2)").arg(path, reason);
}
// An entry whose archives cannot be reached or do not exist; path is the folder in question.
inline QString VerifyNoArchives(const QString& nazwa, const QString& path, const QString& reason)
{
    return QStringLiteral("brak archiwów: %1 (%2: %3)").arg(nazwa, path, reason);
}
inline QString VerifySkippedLink(const QString& path) { return QStringLiteral("pominięto: %1 (dowiązanie)").arg(path); }
inline QString VerifySkippedNotFile(const QString& path)
{
    return QStringLiteral("pominięto: %1 (to nie jest zwykły plik)").arg(path);
}
inline QString FaultNoArchiveFile(const QString& fileName)
{
    return QStringLiteral("żaden folder Arch_ nie zawiera pliku %1").arg(fileName);
}
// Why an archive is not whole (no full stop).
inline QString FaultUnreadable(const QString& reason) { return QStringLiteral("nie można odczytać: ") + reason; }
inline QString FaultNotArchive() { return QStringLiteral("to nie jest archiwum 7z"); }
inline QString FaultCutShort() { return QStringLiteral("archiwum jest ucięte"); }
inline QString FaultHeaders() { return QStringLiteral("uszkodzone nagłówki archiwum"); }
inline QString FaultDataAfterEnd() { return QStringLiteral("obce dane za końcem archiwum"); }
inline QString FaultCrc(const QString& item) { return QStringLiteral("błąd sumy kontrolnej pliku ") + item; }
inline QString FaultData(const QString& item) { return QStringLiteral("błąd danych pliku ") + item; }
inline QString FaultUnsupported() { return QStringLiteral("nieznana metoda kompresji"); }
inline QString FaultEncrypted() { return QStringLiteral("archiwum jest zaszyfrowane"); }
inline QString FaultLibrary(const QString& code) { return QStringLiteral("błąd biblioteki 7-Zip (kod %1)").arg(code); }
inline QString FaultDamaged() { return QStringLiteral("archiwum jest uszkodzone"); }
inline QString FaultCancelled() { return QStringLiteral("przerwano sprawdzanie"); }

inline QString RestoreCommandUsage()
{
    return QStringLiteral("Użycie: skrytkar /restore NAZWA FOLDER [Arch_RRRRMMDD_GGMM] [ŚCIEŻKA...]");
}
inline QString RestoreCommandUnknownPath(const QString& archive, const QString& path)
{
    return QStringLiteral("W archiwum %1 nie ma %2.").arg(archive, path);
}
inline QString RestoreCommandUnknownEntry(const QString& nazwa) { return QStringLiteral("Na liście nie ma wpisu %1.").arg(nazwa); }
inline QString RestoreCommandNoArchives(const QString& nazwa)
{
    return QStringLiteral("Wpis %1 nie ma jeszcze żadnego archiwum.").arg(nazwa);
}
inline QString RestoreCommandUnknownArchive(const QString& nazwa, const QString& folder)
{
    return QStringLiteral("Wpis %1 nie ma archiwum w folderze %2.").arg(nazwa, folder);
}
inline QString RestoreCommandArchiveFault(const QString& path, const QString& reason)
{
    return QStringLiteral("Nie można przywrócić z archiwum %1: %2.").arg(path, reason);
}
inline QString RestoreLineSkipped(const QString& item) { return QStringLiteral("pominięto, plik już istnieje: ") + item; }
inline QString RestoreLineUnsafePath(const QString& item)
{
    return QStringLiteral("odrzucono, ścieżka wychodzi poza folder: ") + item;
}
inline QString RestoreLineLinkOutside(const QString& item)
{
    return QStringLiteral("odrzucono, dowiązanie wskazuje poza folder: ") + item;
}
inline QString RestoreLineThroughLink(const QString& item)
{
    return QStringLiteral("odrzucono, po drodze jest dowiązanie poza folder: ") + item;
}
inline QString RestoreLineWriteFailed(const QString& item, const QString& reason)
{
    return QStringLiteral("nie zapisano: %1 (%2)").arg(item, reason);
}
inline QString RestoreLineDamaged(const QString& item) { return QStringLiteral("uszkodzone, nie przywrócono: ") + item; }
inline QString RestoreCommandSummary(qint64 restored, qint64 total, const QString& archive, const QString& folder)
{
    return QStringLiteral("Przywrócono %1 z %2 elementów archiwum %3 do folderu %4.")
        .arg(restored)
        .arg(total)
        .arg(archive, folder);
}
inline QString UsageVerify()
{
    return QStringLiteral("sprawdza wszystkie archiwa wpisów listy (wielkość liter bez znaczenia);\n"
                          "wypisuje \"poprawne: ŚCIEŻKA\" albo \"uszkodzone: ŚCIEŻKA (powód)\",\n"
                          "\"brak archiwów: NAZWA (ŚCIEŻKA: powód)\" dla wpisu bez archiwów, z brakującym\n"
                          "albo nieczytelnym folderem, \"pominięto: ŚCIEŻKA (dowiązanie)\";\n"
                          "kod wyjścia: 0 wszystkie poprawne, 1 któreś uszkodzone, brakujące albo pominięte,\n"
                          "2 plik listy jest uszkodzony");
}
inline QString UsageRestore()
{
    return QStringLiteral("NAZWA FOLDER [Arch_RRRRMMDD_GGMM] [ŚCIEŻKA...]: przywraca do FOLDERU\n"
                          "najnowsze (albo wskazane) archiwum wpisu NAZWA (wielkość liter bez\n"
                          "znaczenia), a ze ŚCIEŻKAMI tylko te elementy archiwum z ich zawartością;\n"
                          "istniejących plików nie zastępuje, tylko je wypisuje; kod wyjścia:\n"
                          "0 wszystko przywrócono, 1 coś pominięto, 2 nieznany wpis albo archiwum");
}

// --- Start-up -----------------------------------------------------------------------------
// The 7-Zip library could not be loaded (the text of the program's folder rule, with the
// library's name on this system).
inline QString LibraryMissing()
{
    return QStringLiteral("Brak w katalogu programu biblioteki 7z.so\r\nProgram nie może działać");
}
// The windowed program lies beside this one; without it only the run without a display works.
inline QString WindowedProgramMissing(const QString& name, const QString& reason)
{
    return QStringLiteral("Nie można uruchomić okna programu (%1 w katalogu programu): %2.").arg(name, reason);
}
inline QString NoDisplay()
{
    return QStringLiteral("Nie można otworzyć ekranu. Bez ekranu program działa tylko z argumentem /all.");
}
inline QString NoDisplayNeedsAll() { return QStringLiteral("Bez ekranu program działa tylko z argumentem /all."); }

// --- The command line (standard output and standard error; "\n" breaks lines) -------------
inline QString UsageTitle() { return QStringLiteral("kopie zapasowe plików i folderów w archiwach 7z"); }
inline QString UsageHeading() { return QStringLiteral("Użycie:"); }
inline QString UsageInteractive() { return QStringLiteral("otwiera okno programu z listą wpisów"); }
inline QString UsageAll()
{
    return QStringLiteral("archiwizuje wszystkie wpisy listy bez udziału użytkownika i kończy pracę\n"
                          "(wielkość liter bez znaczenia); bez ekranu komunikaty trafiają\n"
                          "na standardowe wyjście błędów, a wynik mówi kod wyjścia; nieudaną\n"
                          "archiwizację zgłasza powiadomieniem pulpitu, gdy jest magistrala sesji;\n"
                          "harmonogram (timer systemd użytkownika) ustawia okno ustawień, a dzienniki\n"
                          "wszystkich archiwizacji (folder Logi) pokazuje okno Historia");
}
inline QString UsageHelp() { return QStringLiteral("wypisuje ten opis"); }
inline QString UsageVersion() { return QStringLiteral("wypisuje wersję programu"); }
inline QString UsageExitStatuses()
{
    return QStringLiteral("Kod wyjścia po /all:\n"
                          "  0  wszystkie wpisy zarchiwizowano (albo lista jest pusta)\n"
                          "  1  któregoś wpisu nie udało się zarchiwizować (szczegóły w pliku Log.txt)\n"
                          "  2  plik listy jest uszkodzony, nie można zapisać logu albo trwa już\n"
                          "     inna archiwizacja z tego samego folderu programu");
}
inline QString UnknownOption(const QString& option) { return QStringLiteral("nieznana opcja %1").arg(option); }
inline QString UsageHint() { return QStringLiteral("Opis użycia: skrytkar --help"); }

// --- The restore window and the settings window --------------------------------------------
inline QString RestoreNothingSelected() { return QStringLiteral("Zaznacz na liście jeden wpis do przywrócenia."); }
inline QString RestoreNoArchives(const QString& nazwa)
{
    return QStringLiteral("Wpis \"%1\" nie ma jeszcze żadnego archiwum.").arg(nazwa);
}
inline QString RestoreChooseArchive() { return QStringLiteral("Wybierz archiwum z listy."); }
inline QString RestoreChooseFolder() { return QStringLiteral("Wskaż folder, do którego przywrócić pliki."); }
// Before an existing file is replaced; a newer existing file adds the second line.
inline QString RestoreReplace(const QString& name, bool existingIsNewer)
{
    QString text = QStringLiteral("Plik %1 istnieje. Zastąpić?").arg(name);
    if (existingIsNewer)
        text += QStringLiteral("\rIstniejący plik jest nowszy niż ten w archiwum.");
    return text;
}
inline QString RestoreConfirmStop()
{
    return QStringLiteral("Przerwać przywracanie?\rTo, co już przywrócono, zostanie na miejscu.");
}
// The summary: how many items came back where, and what did not.
inline QString RestoreSummary(int restored, int total, const QString& folder)
{
    return QStringLiteral("Przywrócono %1 z %2 %3 do %4.")
        .arg(restored)
        .arg(total)
        .arg(total == 1 ? QStringLiteral("elementu") : QStringLiteral("elementów"), folder);
}
inline QString RestoreSkipped(int count) { return QStringLiteral("Pominięto istniejące: %1.").arg(count); }
inline QString RestoreFailed(int count) { return QStringLiteral("Nie przywrócono: %1.").arg(count); }
inline QString RestoreStopped() { return QStringLiteral("Przywracanie przerwano."); }
inline QString RestoreUnreadable(const QString& path)
{
    return QStringLiteral("Nie można odczytać archiwum %1.").arg(path);
}
// A line of the archive list that could not be read.
inline QString ArchiveLineDamaged() { return QStringLiteral("nie można odczytać"); }
// "1 element", "2 elementy", "5 elementów".
QString ItemCount(qint64 count);
// A size in bytes for people: "512 B", "1,5 KB", "12,3 MB", "2,0 GB".
QString ByteSize(quint64 bytes);
// The entry editor's note for folder entries while "Podfoldery" is off.
inline QString ShallowFolderNote()
{
    return QStringLiteral("Z folderu tylko jego pliki i podfoldery bez zawartości (Ustawienia: Podfoldery).");
}
// --- The history window -------------------------------------------------------------------
inline QString HistoryStartedByHand() { return QStringLiteral("ręcznie"); }
inline QString HistoryStartedUnattended() { return QStringLiteral("automatycznie"); }
inline QString HistoryAllArchived() { return QStringLiteral("wszystko zarchiwizowane"); }
inline QString HistoryFailures(int count) { return QStringLiteral("błędy: %1").arg(count); }
// The desktop's notification after an unattended run, and standard error without one.
inline QString NoticeFailedTitle() { return QStringLiteral("Archiwizacja nie powiodła się"); }
inline QString NoticeDoneTitle() { return QStringLiteral("Archiwizacja zakończona"); }
inline QString NoticeActionHistory() { return QStringLiteral("Pokaż historię"); }
inline QString NoticeFallbackEntry(const QString& nazwa, const QString& reason)
{
    return QStringLiteral("Nie powiodło się: %1 (%2)").arg(nazwa, reason);
}
inline QString NoticeFallbackLog(const QString& path) { return QStringLiteral("Szczegóły w logu: %1").arg(path); }
// The schedule of unattended runs.
inline QString ScheduleWriteFailed(const QString& path, const QString& reason)
{
    return QStringLiteral("Nie można zapisać harmonogramu %1: %2").arg(path, reason);
}
inline QString ScheduleSystemdFailed(const QString& step)
{
    return QStringLiteral("Polecenie systemctl --user %1 nie powiodło się.").arg(step);
}
inline QString ScheduleNoSystemd()
{
    return QStringLiteral("Brak menedżera systemd użytkownika. Dopisz do crontab (crontab -e):");
}
inline QString ScheduleNextRun(const QString& when) { return QStringLiteral("Następna archiwizacja: %1").arg(when); }
// The main window's line about the last full archiving.
inline QString LastRunToday(const QString& time) { return QStringLiteral("dziś o %1").arg(time); }
inline QString LastRunYesterday(const QString& time) { return QStringLiteral("wczoraj o %1").arg(time); }
inline QString LastRunOn(const QString& date, const QString& time) { return QStringLiteral("%1 o %2").arg(date, time); }
inline QString LastRun(const QString& when) { return QStringLiteral("Ostatnia archiwizacja: %1").arg(when); }
inline QString LastRunTooOld(const QString& when, int days)
{
    return QStringLiteral("Uwaga: ostatnia pełna archiwizacja %1 (dni temu: %2)").arg(when).arg(days);
}
inline QString LastRunNever() { return QStringLiteral("Uwaga: lista nie była jeszcze zarchiwizowana w całości"); }
// The window's summary after a run.
inline QString SummaryCounts(int archived, int unchanged, int failed)
{
    return QStringLiteral("Zarchiwizowano: %1\nBez zmian: %2\nNie powiodło się: %3").arg(archived).arg(unchanged).arg(failed);
}
inline QString SummaryCancelled() { return QStringLiteral("Przerwano."); }
inline QString SummaryToHistory() { return QStringLiteral("Pokaż w historii"); }
inline QString HistoryEmpty() { return QStringLiteral("Nie ma jeszcze żadnej zapisanej archiwizacji."); }
inline QString HistoryNothingToOpen()
{
    return QStringLiteral("W tej archiwizacji nie ma wpisu z listy, którego folder można otworzyć.");
}

// A value of "Ustawienia.ini" that could not be used, and what was used instead.
inline QString SettingsNotNumber(const QString& key, const QString& value, const QString& used)
{
    return QStringLiteral("Ustawienia.ini: %1=%2 nie jest liczbą; przyjęto %3").arg(key, value, used);
}
inline QString SettingsOutOfRange(const QString& key, const QString& value, int most, const QString& used)
{
    return QStringLiteral("Ustawienia.ini: %1=%2 jest poza zakresem od 0 do %3; przyjęto %4")
        .arg(key, value, QString::number(most), used);
}
inline QString SettingsNotTrueFalse(const QString& key, const QString& value, const QString& used)
{
    return QStringLiteral("Ustawienia.ini: %1=%2 nie jest wartością true ani false; przyjęto %3").arg(key, value, used);
}
inline QString SettingsNotPlainFile()
{
    return QStringLiteral("Ustawienia.ini: to nie jest zwykły plik; przyjęto ustawienia domyślne");
}
inline QString SettingsUnreadable(const QString& reason)
{
    return QStringLiteral("Ustawienia.ini: nie można odczytać (%1); przyjęto ustawienia domyślne").arg(reason);
}
inline QString SettingsSaveFailed(const QString& path, const QString& reason)
{
    return QStringLiteral("Nie można zapisać ustawień w pliku %1: %2.").arg(path, reason);
}

// --- The error boundary -------------------------------------------------------------------
inline QString UnexpectedError() { return QStringLiteral("Wystąpił nieoczekiwany błąd."); }
inline QString OutOfMemory() { return QStringLiteral("Za mało pamięci."); }

// --- Reasons ------------------------------------------------------------------------------
// The system's error code (an errno value) as a short Polish reason, without a full stop:
// "brak uprawnień", "brak miejsca na dysku", ...
QString SystemReason(int errorCode);

}  // namespace Msg
