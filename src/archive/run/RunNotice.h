#pragma once
// What an unattended run tells the desktop: a notification through the session bus's
// org.freedesktop.Notifications (always after a failure, after success only when the settings
// ask for it), or, where no bus or no notification service answers, lines on standard error
// that name the failed entries and the log, as the journal of a timer shows them. Qt Core and
// Qt D-Bus only: the run without a display has no widgets.

#include "archive/run/RunResult.h"

#include <QString>
#include <QStringList>

#include <optional>

struct DesktopNotice {
    QString Title;
    QString Body;
    QString Action;  // the default action's key; its label says it opens the history
    QString FolderName;  // the run's dated folder, for the history
};

// The notice of a run; none for a run that went well unless notifySuccess, none for a run that
// took up no entry.
std::optional<DesktopNotice> NoticeOfRun(const RunResult& result, bool notifySuccess);
// Sends it to the session bus's notification service; false when there is no bus or no
// service answered.
bool SendDesktopNotice(const DesktopNotice& notice);
// The lines standard error gets instead: the failed entries with their first reason, and the
// log's path. Empty for a run without failures.
QStringList NoticeFallbackLines(const RunResult& result, const QString& logPath);
// The whole step after an unattended run: the notification, or the fallback lines on standard
// error for a failed run.
void TellDesktop(const RunResult& result, bool notifySuccess, const QString& logPath);

// "PowiadamiajOSukcesie" of "Ustawienia.ini" (false when missing or bad).
bool NotifySuccessSetting(const QString& settingsPath = QString());
