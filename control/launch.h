#pragma once
// Programs the main window starts without waiting for them: the host's batch
// file after a one-shot start that asks for it, and the settings help text.
// Also the error list the start action reads when it fails.

#include <QString>
#include <QStringList>

namespace dravimo {

inline const QString kBatchFile = QStringLiteral("cop2fis.bat");
inline const QString kHelpTextFile = QStringLiteral("dravimo.txt");
inline const QString kErrorListFile = QStringLiteral("error.lst");

// Failure numbers of a start, in the numbering error.lst is written in.
constexpr int kFileNotFound = 53;
constexpr int kPermissionDenied = 70;
constexpr int kPathFileAccessError = 75;

// Starts the batch file from the working folder, minimised where the platform
// has such a thing, and does not wait. 0, or kFileNotFound when the file is
// missing, or kPermissionDenied when it could not be started.
int startBatch(const QString &name = kBatchFile);

// Opens the help text from the working folder in the user's text viewer. False
// when no viewer could be started.
bool openHelpText(const QString &name = kHelpTextFile);

// The lines of error.lst that belong to a failure number: each line holds one
// character, the two-digit number, then the text.
QStringList errorListLines(int number, const QString &fileName = kErrorListFile);

} // namespace dravimo
