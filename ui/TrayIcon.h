#pragma once
#include "shell/Prompts.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

// The notification-area icon of the main window ("frmSysTray"): its pop-up
// menu reports the key of the chosen item, a double click asks to show or
// hide the main window, and balloons announce results while the window may
// be hidden. On a desktop without a notification area the balloon text goes
// to the fallback (status panel 1 and the session log).
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(const QIcon& icon, QObject* parent = nullptr);
    ~TrayIcon() override;

    // Adds an item with the key its choice reports; an empty caption is a separator.
    void addMenuItem(const QString& caption, const QString& key, bool isDefault = false);
    QMenu* menu() { return menu_.get(); }
    QAction* action(const QString& key) const;
    void setItemEnabled(const QString& key, bool enabled);
    // The keys of the items in menu order, separators as "-".
    QStringList keys() const;

    void setToolTip(const QString& text);
    void show();
    void hide() { icon_.hide(); }
    bool available() const;

    void showBalloon(const QString& text, const QString& title, Prompts::Icon icon, int timeoutMs);
    void setBalloonFallback(std::function<void(const QString& text)> fallback) { fallback_ = std::move(fallback); }

Q_SIGNALS:
    void menuClick(const QString& key);
    void doubleClicked();

private:
    std::unique_ptr<QMenu> menu_;
    QSystemTrayIcon icon_;
    std::function<void(const QString&)> fallback_;
};
