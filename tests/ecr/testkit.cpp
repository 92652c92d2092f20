#include "testkit.h"

#include "core/files.h"

namespace dravimo::test {

void RecordingWaitDialog::close()
{
    open = false;
    closed = true;
    shared().waitCancel = true;
}

std::unique_ptr<WaitDialog> RecordingWindow::createWaitDialog(bool skipTimer)
{
    // Each dialog reports its final look into the window's record when it is
    // destroyed, since the exchange owns and drops it.
    class Tracked : public RecordingWaitDialog
    {
    public:
        Tracked(RecordingWindow &w, bool skip) : RecordingWaitDialog(skip), w_(w) {}
        ~Tracked() override
        {
            w_.dialogs.append({skipTimer, title, messages, description, shows > 0, closed});
            if (w_.current == this)
                w_.current = nullptr;
        }

    private:
        RecordingWindow &w_;
    };
    auto dialog = std::make_unique<Tracked>(*this, skipTimer);
    current = dialog.get();
    return dialog;
}

void RecordingWindow::operatorClosesDialog()
{
    if (current && current->open)
        current->close();
}

void EcrFixture::SetUp()
{
    auto c = std::make_unique<FixedVirtualClock>();
    clock = c.get();
    clockScope = std::make_unique<ScopedClock>(std::move(c));
    ASSERT_TRUE(dir.isValid());
    shared() = SharedState{};
    resultFile = dir.filePath(QStringLiteral("Result"));
    shared().resultFile = resultFile;
    setWindow(&win);
    auto memory = std::make_unique<MemoryTransport>();
    line = memory.get();
    module.setActivePort(std::move(memory));
    shared().debugOpen = true;
    debugLog().setSink(&log);
}

void EcrFixture::TearDown()
{
    debugLog().setSink(nullptr);
    setWindow(nullptr);
    shared() = SharedState{};
    clockScope.reset();
}

QString EcrFixture::send(const QString &command, qint16 quiet, qint16 asyncWait, const QString &logFile)
{
    QString reply;
    module.SendCommand(command, shared().lastResultCode, reply, quiet, asyncWait, logFile);
    return reply;
}

QStringList EcrFixture::resultLines() const
{
    return SplitLines(ReadTextFile(resultFile).value_or(QString()));
}

QByteArray eot(const char *text)
{
    return QByteArray(text) + "\r\x04";
}

} // namespace dravimo::test
