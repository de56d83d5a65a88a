#include "TrayIcon.h"

TrayIcon::TrayIcon(const QIcon& icon, QObject* parent)
    : QObject(parent), menu_(std::make_unique<QMenu>()), icon_(icon)
{
    setObjectName(QStringLiteral("frmSysTray"));
    menu_->setObjectName(QStringLiteral("mnuPopup"));
    icon_.setContextMenu(menu_.get());
    connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            Q_EMIT doubleClicked();
        else if (reason == QSystemTrayIcon::Trigger && available())
            icon_.showMessage(QString(), QString()); // a left click removes the balloon on show
    });
}

TrayIcon::~TrayIcon()
{
    icon_.hide();
}

void TrayIcon::addMenuItem(const QString& caption, const QString& key, bool isDefault)
{
    if (caption.isEmpty()) {
        menu_->addSeparator();
        return;
    }
    QAction* item = menu_->addAction(caption);
    item->setData(key);
    item->setObjectName(QStringLiteral("mnuSysTray_") + key);
    if (isDefault) {
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
        menu_->setDefaultAction(item);
    }
    connect(item, &QAction::triggered, this, [this, key] { Q_EMIT menuClick(key); });
}

QAction* TrayIcon::action(const QString& key) const
{
    for (QAction* item : menu_->actions())
        if (!item->isSeparator() && item->data().toString() == key)
            return item;
    return nullptr;
}

void TrayIcon::setItemEnabled(const QString& key, bool enabled)
{
    if (QAction* item = action(key))
        item->setEnabled(enabled);
}

QStringList TrayIcon::keys() const
{
    QStringList keys;
    for (QAction* item : menu_->actions())
        keys << (item->isSeparator() ? QStringLiteral("-") : item->data().toString());
    return keys;
}

void TrayIcon::setToolTip(const QString& text)
{
    icon_.setToolTip(text);
}

void TrayIcon::show()
{
    if (available())
        icon_.show();
}

bool TrayIcon::available() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::showBalloon(const QString& text, const QString& title, Prompts::Icon icon, int timeoutMs)
{
    if (!available() || !icon_.isVisible()) {
        if (fallback_)
            fallback_(text);
        return;
    }
    QSystemTrayIcon::MessageIcon kind = QSystemTrayIcon::NoIcon;
    switch (icon) {
    case Prompts::Icon::Information: kind = QSystemTrayIcon::Information; break;
    case Prompts::Icon::Exclamation: kind = QSystemTrayIcon::Warning; break;
    case Prompts::Icon::Critical: kind = QSystemTrayIcon::Critical; break;
    default: break;
    }
    icon_.showMessage(title, text, kind, timeoutMs);
}
