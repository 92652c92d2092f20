#pragma once
// A scratch working folder for one test, and small file helpers.

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace dravimo::test {

// Makes a fresh temporary folder the working folder for the test's lifetime.
class ScratchFolder
{
public:
    ScratchFolder() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~ScratchFolder() { QDir::setCurrent(previous_); }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    QString path(const QString &name) const { return dir_.filePath(name); }
    QString folder() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// Writes bytes to a file (relative names: the working folder).
void writeFile(const QString &name, const QByteArray &bytes);
QByteArray readFile(const QString &name);
// A param.ini in the working folder from its lines, CR LF ended.
void writeParamIni(const QStringList &lines);

// Runs the event loop until the condition holds or the real time is up.
bool waitUntil(const std::function<bool()> &condition, int realMs = 5000);

// Runs a check as a user without privileges, so that file permissions mean
// something: as root (CI) in a child process that has given root up, else
// in this process. POSIX only; true when the check held.
bool asUnprivilegedUser(const std::function<bool()> &check);

} // namespace dravimo::test
