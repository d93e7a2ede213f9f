#pragma once
// The run's log "Log.txt" in the data folder, rewritten whole by every run.

#include "core/UserError.h"

#include <QString>
#include <QStringList>

// Raised when "Log.txt" cannot be written; what() is the user-facing Polish text in UTF-8.
class LogWriteError : public UserError {
public:
    using UserError::UserError;
};

// Full path of "Log.txt" in the data directory (DataDirectory()).
QString LogFilePath();
// Writes the lines (UTF-8, CR LF after every line) through a temporary file, so a failed write
// keeps the previous log whole; throws LogWriteError.
void SaveLog(const QStringList& lines);
