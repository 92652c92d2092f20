#pragma once
// A print folder with Dravimo and the simulator running against it as two
// processes joined by a pseudo-terminal, both on a clock ten times faster
// than real time. Dravimo runs unattended: its message boxes arrive on its
// standard error.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>

// Readable QString values in assertion messages.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace dravimo::test {

class Rig
{
public:
    Rig();
    ~Rig();

    QString path(const QString &name) const { return dir_.filePath(name); }
    QString folder() const { return dir_.path(); }

    // Starts ecrsim --serial with a trace, a roll and a control socket;
    // extra scenario lines run at start. False when it did not report its
    // device.
    bool startSimulator(const QStringList &scenario = {});
    // Ends the simulator and starts a new one on a new pseudo-terminal (its
    // own trace from then on); with linkDevice(), the link is re-pointed at
    // it, as an adapter plugged back in appears under the same name.
    bool replaceSimulator();
    // From now on Dravimo is given a symbolic link to the simulator's device.
    void linkDevice();
    // Runs one control line in the simulator; its answer.
    QString control(const QString &line) const;
    // param.ini for multi-file mode with the print stem <folder>/print,
    // descriptions and comments on, item codes as `printCode` says (the
    // "[print_code]" value), and the simulator's VAT rates in vats.dat.
    void writeSettings(const QString &printCode = QStringLiteral("falseN"));
    // The simulator's VAT rates as vats.dat.
    void writeVatRates();
    // Starts dravimo in the folder; arguments make it a one-shot run.
    bool startDravimo(const QStringList &arguments = {});
    // For tests that wait on no time-out and compare the exact commands sent:
    // dravimo runs at twice real time instead of ten times. At ten times the
    // answer window is 0.7 s, and a machine loaded by another test suite can
    // be slower than that to answer; the command would be taken as unanswered
    // and sent again. Every wait of such a test ends on an event, so the
    // longer windows cost nothing.
    void patient() { setDravimoEnvironment(QStringLiteral("DRAVIMO_TIME_SCALE"), QStringLiteral("2")); }
    // An environment variable for the next starts of dravimo.
    void setDravimoEnvironment(const QString &name, const QString &value) { extraEnv_.insert(name, value); }
    // SIGTERM, as systemctl stop sends it.
    void terminateDravimo() { dravimo_.terminate(); }
    // Waits for the one-shot run to end; its exit code, or -1.
    int waitForDravimoExit(int ms);

    // Waits until the file in the folder holds exactly this text (decoded
    // from the register's code page); false after ms.
    bool waitForText(const QString &name, const QString &text, int ms) const;
    // Hands a print file over the safe way: written aside, renamed into place.
    void drop(const QString &name, const QString &text);
    // Waits until the file is gone (Dravimo deletes a print file after its job).
    bool waitGone(const QString &name, int ms) const;

    // The commands the register received, in order, as the trace shows them.
    QStringList commands() const;
    QString roll() const;
    // A result file's lines with the dates masked as <date>.
    QStringList resultLines(const QString &name) const;
    // What Dravimo wrote on standard error so far (its message boxes).
    QByteArray dravimoErrors();

    // How the trace shows a command: control characters as <hh>.
    static QString traced(const QString &command);

private:
    QTemporaryDir dir_;
    QProcess simulator_;
    QProcess dravimo_;
    QString device_;
    QString linkPath_;
    QString trace_ = QStringLiteral("trace.txt");
    QProcessEnvironment extraEnv_;
    QByteArray errors_;
};

} // namespace dravimo::test
