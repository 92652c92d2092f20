#pragma once
// A window that records what the translator would have shown.

#include "core/window.h"

#include <QList>
#include <QString>

namespace dravimo::test {

struct ShownMessage
{
    QString text;
    int code = 0;
    QString title;
    bool operator==(const ShownMessage &) const = default;
};

class RecordingWindow : public NullWindow
{
public:
    int showMessage(const QString &text, int code, const QString &title) override
    {
        messages.append({text, code, title});
        return defaultButton(code);
    }
    void repaint() override { ++repaints; }

    QList<ShownMessage> messages;
    int repaints = 0;
};

} // namespace dravimo::test
