#pragma once
// The watch on the print folder: a poll tick the moment the host hands a print
// file over, instead of at the next second. The one-second poll stays the one
// that finds every file; the watch only starts an extra tick, which obeys
// the same busy guard and the same ready test as any other.
//
// On Linux the watch reads the kernel's "closed after writing" and "moved into
// the folder" events (inotify): a file still being written in place has sent
// neither, and a host that closes it in the middle while holding its lock is
// refused by the ready test. On Windows it is told that the folder changed,
// and the ready test's exclusive open refuses a file the host still holds.
// Elsewhere, or where the watch cannot be set up (a network folder, too many
// watches), the poll alone does the work; the communication log says so.
//
// The program's own opens (the ready test opens a file for appending) also
// count as "closed after writing". So that they never start a tick of their
// own, a file starts one only when its size or time stamps differ from the
// last time it did; and watch ticks come at most every kTickGap.

#include "core/clock.h"

#include <QHash>
#include <QRegularExpression>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

namespace dravimo {

class CommLog;
struct Settings;

class PrintFolderWatch
{
public:
    PrintFolderWatch(Clock &clock, CommLog &log);
    ~PrintFolderWatch();
    PrintFolderWatch(const PrintFolderWatch &) = delete;
    PrintFolderWatch &operator=(const PrintFolderWatch &) = delete;

    // tick: runs a poll tick now; false when it cannot start (a register
    // operation under way), and the watch tries again shortly.
    void setTick(std::function<bool()> tick) { tick_ = std::move(tick); }

    // Watches the folder of the print files these settings name, for the
    // names they give; cheap when nothing changed since the last call.
    void follow(const Settings &settings);
    // No more ticks until follow() is called again.
    void stop();
    // True while the folder is watched.
    bool watching() const;
    QString folder() const { return folder_; }

    // A name in the folder was written or moved in (empty: something in the
    // folder changed, look at every name).
    void changed(const QString &name);
    // A name left the folder.
    void gone(const QString &name) { seen_.remove(name); }

    class Events;

private:
    struct Stamp
    {
        qint64 size = -1;
        qint64 modified = 0;
        qint64 metadataChanged = 0;
        bool operator==(const Stamp &) const = default;
    };
    bool isPrintFileName(const QString &name) const;
    bool isNew(const QString &name);
    QStringList printFiles() const;
    void schedule(qint64 afterMs);
    void fire();
    void logLine(const QString &text);

    Clock &clock_;
    CommLog &log_;
    std::function<bool()> tick_;
    std::unique_ptr<Events> events_;
    QTimer timer_;
    QString folder_;
    // What names are print files: one name, stem.1 to stem.10, or a pattern.
    QString name_;
    bool numbered_ = false;
    QRegularExpression pattern_;
    QHash<QString, Stamp> seen_;
    qint64 lastTickMs_ = 0;
    bool ticked_ = false;
    QString reported_;
};

} // namespace dravimo
