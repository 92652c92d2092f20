#pragma once
// The files of the poll cycle: which print file goes next, which ones survive
// their job, and the two small files the cycle keeps beside the host
// ("receipt.txt", "\dravimo\end.txt"). Taking a print file for its job
// (the ready test and the read on one open) is PrintJobFiles'.

#include "journal/printjobfiles.h"

#include <QString>
#include <QtGlobal>

namespace dravimo {

// Single-file mode: emptied before each job. Multi-file mode: the job's
// counter value and CR LF after each job.
inline const QString kReceiptFile = QStringLiteral("receipt.txt");

// "\dravimo\end.txt": deleted before each job. Absolute on the current drive
// (Qt maps the leading "/" to the current drive on Windows).
inline const QString kEndMarkerFile = QStringLiteral("/dravimo/end.txt");

// Exists as a regular file, is not empty, and can be opened for appending
// under a lock that keeps other writers out (and no other process holds a
// lock on it).
bool isReadyFile(const QString &path);

// Whether a file can be read now (see PrintFileAccess): free, held by
// another process, or refused by the system with its reason.
using ReadAccess = PrintFileAccess;
ReadAccess readAccess(const QString &path);

// Programming files stay after their job. Single-file mode compares the last
// five characters upper-cased with "PRG.1"; multi-file mode compares them as
// they are with "prg.1".
bool isProgrammingFile(const QString &path, bool multiFile);

// Multi-file mode without a wildcard: the first of stem.1 ... stem.10 that is
// ready, so the lowest pending number always goes first. Empty when none is.
QString findNumberedPrintFile(const QString &stem);

// Multi-file mode with a "*" in the file name: location + the first name the
// folder listing returns for the pattern (by name). No ready test here; an
// empty location means the working folder. Empty when nothing matches.
QString findWildcardPrintFile(const QString &location, const QString &pattern);

// Rewrites "receipt.txt" with the counter value, no leading space, CR LF.
void writeReceiptFile(qint16 counter);

} // namespace dravimo
