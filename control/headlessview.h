#pragma once
// A main window without widgets: it keeps every state the controller sets
// (labels, buttons, menus, tray marks, caption, status) in memory and shows
// nothing. The unattended mode and the tests build on it.

#include "control/mainview.h"

#include <QMap>
#include <QStringList>

#include <optional>

namespace dravimo {

class HeadlessView : public MainView
{
public:
    // Window
    void setStatus(const QString &text) override { status_ = text; }
    QString status() const override { return status_; }
    void setCaption(const QString &text) override { caption_ = text; }
    QString caption() const override { return caption_; }
    void repaint() override {}
    int showMessage(const QString &text, int code, const QString &title) override;
    std::unique_ptr<WaitDialog> createWaitDialog(bool skipTimer) override;
    void setProgressText(const QString &text) override { progressText_ = text; }
    void processEvents() override;

    // MainView
    void setLabel(InfoLabel label, const QString &text) override { labels_[label] = text; }
    QString label(InfoLabel label) const override { return labels_.value(label); }
    void setButtonEnabled(Button button, bool enabled) override { buttons_[button] = enabled; }
    bool buttonEnabled(Button button) const override { return buttons_.value(button, true); }
    void setDefaultButton(Button button) override { defaultButton_ = button; }
    void setMenuEnabled(Menu menu, bool enabled) override { menus_[menu] = enabled; }
    bool menuEnabled(Menu menu) const override { return menus_.value(menu, true); }
    void setTrayChecked(TrayEntry entry, bool checked) override { tray_[entry] = checked; }
    bool trayChecked(TrayEntry entry) const override { return tray_.value(entry, false); }
    void showWindow() override { visible_ = true; }
    void hideWindow() override { visible_ = false; }
    bool windowVisible() const override { return visible_; }
    void addTrayIcon() override { trayIcon_ = true; }
    void setTrayTip(const QString &tip) override { trayTip_ = tip; }
    void removeTrayIcon() override { trayIcon_ = false; }
    void trimSystemMenu() override { systemMenuTrimmed_ = true; }
    void clearPrinted() override { printed_.clear(); }
    void printLine(const QString &line) override { printed_.append(line); }
    void notice(const QString &text) override { notices_.append(text); }
    void openSettingsDialog() override { ++settingsOpened_; }
    void closeDebugWindow() override {}
    void closeWindow(int exitCode) override;
    void endProcess(int exitCode) override;

    // What a test (or the unattended mode) reads back.
    QString progressText() const { return progressText_; }
    std::optional<Button> defaultButtonSet() const { return defaultButton_; }
    bool trayIconShown() const { return trayIcon_; }
    QString trayTip() const { return trayTip_; }
    bool systemMenuTrimmed() const { return systemMenuTrimmed_; }
    QStringList printed() const { return printed_; }
    int settingsOpened() const { return settingsOpened_; }
    QStringList notices() const { return notices_; }
    bool closed() const { return closed_; }
    bool ended() const { return ended_; }
    int exitCode() const { return exitCode_; }

private:
    QString status_;
    QString caption_;
    QString progressText_;
    QMap<InfoLabel, QString> labels_;
    QMap<Button, bool> buttons_;
    QMap<Menu, bool> menus_;
    QMap<TrayEntry, bool> tray_;
    std::optional<Button> defaultButton_;
    bool visible_ = false;
    bool trayIcon_ = false;
    QString trayTip_;
    bool systemMenuTrimmed_ = false;
    QStringList printed_;
    QStringList notices_;
    int settingsOpened_ = 0;
    bool closed_ = false;
    bool ended_ = false;
    int exitCode_ = 0;
};

} // namespace dravimo
