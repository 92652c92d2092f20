#pragma once
// What the controller of the main window needs from the window
// itself, on top of the status/caption/message-box interface the rest of the
// core already uses.
//
// The Qt main window implements it with widgets, the unattended mode keeps the
// state in memory and writes boxes to standard error, and tests record it. The
// controller never asks a widget anything: every state it reads back (a
// button's enabled flag, the caption) comes through here.

#include "core/window.h"

#include <QString>

namespace dravimo {

// The two buttons of the main window.
enum class Button { StartPrinting, StopPrinting };

// The menus the printing state locks: "Ισοζύγια" (`reports`) and "Επιλογές".
enum class Menu { Reports, Options };

// The two check-marked entries of the notification-area menu.
enum class TrayEntry { StartPrinting, StopPrinting };

// The information labels filled at start-up, and the job counter.
enum class InfoLabel { Connection, Baud, PrintFile, EcrType, Descriptions, Comments, Currency, JobCounter };

class MainView : public Window
{
public:
    virtual void setLabel(InfoLabel label, const QString &text) = 0;
    virtual QString label(InfoLabel label) const = 0;

    virtual void setButtonEnabled(Button button, bool enabled) = 0;
    virtual bool buttonEnabled(Button button) const = 0;
    // Makes the button the window's default button and gives it the focus.
    virtual void setDefaultButton(Button button) = 0;

    virtual void setMenuEnabled(Menu menu, bool enabled) = 0;
    virtual bool menuEnabled(Menu menu) const = 0;
    virtual void setTrayChecked(TrayEntry entry, bool checked) = 0;
    virtual bool trayChecked(TrayEntry entry) const = 0;

    virtual void showWindow() = 0;
    virtual void hideWindow() = 0;
    virtual bool windowVisible() const = 0;

    // The notification-area icon: add at start-up, the tip follows the caption
    // every second, removed when the main window unloads.
    virtual void addTrayIcon() = 0;
    virtual void setTrayTip(const QString &tip) = 0;
    virtual void removeTrayIcon() = 0;

    // Takes the close box (and resizing) away from the title bar: the
    // "Τερματισμός Dravimo" menu entry is the way out. Called every second, so
    // it must cost nothing once done.
    virtual void trimSystemMenu() = 0;

    // Text printed straight onto the main window (the farewell box, the start
    // action's error report).
    virtual void clearPrinted() = 0;
    virtual void printLine(const QString &line) = 0;

    // A line for whoever watches the program run: the communication log while
    // it is open, standard error when unattended. Things the operator should
    // know of that have no result file to go to.
    virtual void notice(const QString &text) = 0;

    virtual void openSettingsDialog() = 0;
    virtual void closeDebugWindow() = 0;

    // Closes the main window; the program ends as soon as no other window of
    // it (the settings dialog of a failed start) is open. exitCode is what the
    // process returns.
    virtual void closeWindow(int exitCode) = 0;
    // Ends the process at once, with no clean-up (the farewell routine).
    virtual void endProcess(int exitCode) = 0;
};

} // namespace dravimo
