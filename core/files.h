#pragma once
// Small file helpers shared by the result file, the exchange's failure lines,
// the communication log and the job files. Text files are Windows-1253 with
// CR LF line ends, whatever the platform.

#include <QString>
#include <QStringList>

#include <optional>

namespace dravimo {

// Opens the file for appending (creating it when missing), writes the line and
// CR LF, and closes it again. The caller goes on whatever happens: false (with
// the system's reason in *error when asked for) says the line was not written,
// for callers whose lines somebody waits for; an empty name writes nothing and
// counts as done.
bool appendLine(const QString &fileName, const QString &line, QString *error = nullptr);

// Flushes a folder's entries (a file created, renamed or deleted in it) to
// the disk itself. False when that failed.
bool syncFolder(const QString &folder);

// Deletes a file and ignores every failure.
void removeFile(const QString &fileName);

// Deletes a file and flushes its folder to disk, so that the deletion
// survives a power cut. True when the file is gone for good (or was not
// there).
bool removeFileDurably(const QString &fileName);

// The whole file decoded from Windows-1253, or nothing when it cannot be read.
std::optional<QString> readTextFile(const QString &fileName);

// Splits a text into lines: CR LF, a lone CR or a lone LF ends a line, so a
// host's files read the same whatever line ends it writes; a last line
// without terminator still counts.
QStringList splitLines(const QString &text);

// Writes the whole file (truncating it) in Windows-1253. Returns false on error.
bool writeTextFile(const QString &fileName, const QString &text);

// Replaces the whole file: the bytes go to a temporary file beside it, which is
// flushed to disk and renamed into place, so a crash or a power cut leaves
// either the old file or the new one, never half of each. The old file's
// permissions are kept; a file that exists but may not be written is refused,
// as a write in place would be. Returns false on any failure (the old file is
// then untouched).
bool saveFileSafely(const QString &fileName, const QByteArray &bytes);

} // namespace dravimo
