#pragma once
// The narrow interface through which the core reaches the window.
//
// The translator, the command exchange and the payment logic never touch a
// widget: they report through a Window. The Qt main window implements it, the
// unattended mode implements it on standard error, and tests implement it by
// recording what would have been shown.

#include <QString>

#include <memory>

namespace dravimo {

// Message box codes, added together: button set + icon + modality.
namespace mb {
constexpr int Ok = 0;
constexpr int OkCancel = 1;
constexpr int YesNo = 4;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
constexpr int SystemModal = 4096;
// Buttons a box returns.
constexpr int RetOk = 1;
constexpr int RetCancel = 2;
constexpr int RetYes = 6;
constexpr int RetNo = 7;
} // namespace mb

// Title of the boxes shown without one, and of the two plain platform boxes.
inline const QString kDefaultBoxTitle = QStringLiteral("Dravimo4_QEB");
inline const QString kApplicationTitle = QStringLiteral("Dravimo");

// The message and wait dialog as the core sees it. A wait that shows one ends
// when the dialog is closed, by the program or by the operator: isOpen() turns
// false and stays so.
class WaitDialog
{
public:
    virtual ~WaitDialog() = default;
    virtual void setTitle(const QString &title) = 0;
    virtual void setMessage(const QString &text) = 0;     // the main line
    virtual void setDescription(const QString &text) = 0; // the second line
    virtual void show() = 0;
    virtual void redraw() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
};

class Window
{
public:
    virtual ~Window() = default;

    // The one-line status box and the window caption.
    virtual void setStatus(const QString &text) = 0;
    virtual QString status() const = 0;
    virtual void setCaption(const QString &text) = 0;
    virtual QString caption() const = 0;
    // Immediate redraw of the window (the status line included).
    virtual void repaint() = 0;

    // Shows a box exactly as given and returns the button pressed. Callers use
    // messageBox (padding, modality, default title) or plainMessageBox, not this.
    virtual int showMessage(const QString &text, int code, const QString &title) = 0;

    // A new message and wait dialog; skipTimer selects the plain form (no
    // running seconds counter).
    virtual std::unique_ptr<WaitDialog> createWaitDialog(bool skipTimer) = 0;

    // The progress label of the main window.
    virtual void setProgressText(const QString &text) = 0;

    // Lets pending window events run once (timers, clicks).
    virtual void processEvents() = 0;
};

// The message box routine every box but two goes through: texts shorter than
// 40 characters are padded with spaces to 40, the box is system-modal and an
// empty title becomes the default title.
int messageBox(Window &window, const QString &text, int code = mb::Ok, const QString &title = {});

// The platform's own box, without padding: the quantity message of sale lines
// and the payment-settings read failure use it.
int plainMessageBox(Window &window, const QString &text, int code = mb::Ok, const QString &title = kApplicationTitle);

// The default button of a box with the given code (what unattended mode and
// tests answer when nobody is there to press one).
int defaultButton(int code);

// A wait dialog that nobody sees: it keeps its texts and honours close().
class HeadlessWaitDialog : public WaitDialog
{
public:
    void setTitle(const QString &title) override { title_ = title; }
    void setMessage(const QString &text) override { message_ = text; }
    void setDescription(const QString &text) override { description_ = text; }
    void show() override { open_ = true; }
    void redraw() override {}
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }

    QString title() const { return title_; }
    QString message() const { return message_; }
    QString description() const { return description_; }

private:
    QString title_;
    QString message_;
    QString description_;
    bool open_ = false;
};

} // namespace dravimo
