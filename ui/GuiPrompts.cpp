#include "GuiPrompts.h"

#include "TrayIcon.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>

namespace {
// The extension a name filter stands for: "txt" for "Text (tab) (*.txt)";
// empty for "*.*" and filters without one.
QString FilterExtension(const QString& filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    const QRegularExpressionMatch match = pattern.match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}
}

GuiPrompts::GuiPrompts(QObject* parent)
    : QObject(parent)
{
}

template <typename F>
auto GuiPrompts::onGuiThread(F f) -> decltype(f())
{
    using Result = decltype(f());
    if (QThread::currentThread() == thread())
        return f();
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(this, f, Qt::BlockingQueuedConnection);
    } else {
        Result result{};
        QMetaObject::invokeMethod(this, [&result, &f] { result = f(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}

int GuiPrompts::showBox(Icon icon, const QString& text, const QString& title, int buttons, int defaultButton)
{
    return onGuiThread([&]() -> int {
        if (shuttingDown_)
            return QMessageBox::Cancel;
        QMessageBox box(parentWidget_);
        box.setObjectName(QStringLiteral("msgBox"));
        box.setWindowTitle(titleOr(title));
        box.setText(text);
        switch (icon) {
        case Icon::Information: box.setIcon(QMessageBox::Information); break;
        case Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
        case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
        case Icon::Question: box.setIcon(QMessageBox::Question); break;
        case Icon::None: break;
        }
        box.setStandardButtons(QMessageBox::StandardButtons(buttons));
        if (defaultButton != 0)
            box.setDefaultButton(QMessageBox::StandardButton(defaultButton));
        return box.exec();
    });
}

void GuiPrompts::message(Icon icon, const QString& text, const QString& title)
{
    showBox(icon, text, title, QMessageBox::Ok);
}

bool GuiPrompts::runOnGuiThread(const std::function<bool()>& window)
{
    return onGuiThread([&] { return !shuttingDown_ && window(); });
}

bool GuiPrompts::confirm(Icon icon, const QString& text, const QString& title)
{
    return showBox(icon, text, title, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

Prompts::Answer GuiPrompts::askYesNo(const QString& text, const QString& title, Icon icon, Answer defaultButton)
{
    const int enter = defaultButton == Answer::No ? QMessageBox::No : QMessageBox::Yes;
    return showBox(icon, text, title, QMessageBox::Yes | QMessageBox::No, enter) == QMessageBox::Yes ? Answer::Yes
                                                                                                     : Answer::No;
}

Prompts::Answer GuiPrompts::askOkCancel(const QString& text, const QString& title, Icon icon, Answer defaultButton)
{
    const int safe = defaultButton == Answer::Cancel ? QMessageBox::Cancel : QMessageBox::Ok;
    return showBox(icon, text, title, QMessageBox::Ok | QMessageBox::Cancel, safe) == QMessageBox::Ok ? Answer::Ok
                                                                                                    : Answer::Cancel;
}

Prompts::Answer GuiPrompts::askYesCancel(const QString& text, const QString& title, Icon icon)
{
    return showBox(icon, text, title, QMessageBox::Yes | QMessageBox::Cancel) == QMessageBox::Yes ? Answer::Yes
                                                                                                  : Answer::Cancel;
}

void GuiPrompts::balloon(const QString& text, const QString& title, Icon icon, int timeoutMs)
{
    onGuiThread([&] {
        if (tray_)
            tray_->showBalloon(text, titleOr(title), icon, timeoutMs);
    });
}

std::optional<QString> GuiPrompts::askText(const QString& prompt, const QString& title, bool secret)
{
    return onGuiThread([&]() -> std::optional<QString> {
        if (shuttingDown_)
            return std::nullopt;
        QInputDialog dialog(parentWidget_);
        dialog.setObjectName(QStringLiteral("dlgInput"));
        dialog.setWindowTitle(titleOr(title));
        dialog.setLabelText(prompt);
        dialog.setTextEchoMode(secret ? QLineEdit::Password : QLineEdit::Normal);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.textValue();
    });
}

std::optional<Prompts::FileChosen> GuiPrompts::chooseFile(const FileChoice& choice, bool save)
{
    return onGuiThread([&]() -> std::optional<FileChosen> {
        if (shuttingDown_)
            return std::nullopt;
        QFileDialog dialog(parentWidget_, titleOr(choice.title), choice.folder);
        dialog.setObjectName(save ? QStringLiteral("dlgSave") : QStringLiteral("dlgOpen"));
        // The toolkit's own dialog behaves alike on every desktop and can be driven by tests.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setNameFilters(choice.filters);
        if (choice.selectedFilter >= 0 && choice.selectedFilter < choice.filters.size())
            dialog.selectNameFilter(choice.filters.at(choice.selectedFilter));
        // The chosen type decides the extension a bare name gets.
        const auto suffixFor = [&choice](const QString& filter) {
            const QString extension = FilterExtension(filter);
            return extension.isEmpty() ? choice.defaultExtension : extension;
        };
        dialog.setDefaultSuffix(choice.defaultExtension);
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog, suffixFor](const QString& filter) { dialog.setDefaultSuffix(suffixFor(filter)); });
        if (!choice.proposedName.isEmpty())
            dialog.selectFile(choice.proposedName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        FileChosen chosen;
        chosen.path = dialog.selectedFiles().constFirst();
        chosen.filterIndex = qMax(0, choice.filters.indexOf(dialog.selectedNameFilter()));
        return chosen;
    });
}

std::optional<Prompts::FileChosen> GuiPrompts::chooseSaveFile(const FileChoice& choice)
{
    return chooseFile(choice, true);
}

std::optional<Prompts::FileChosen> GuiPrompts::chooseOpenFile(const FileChoice& choice)
{
    return chooseFile(choice, false);
}

bool GuiPrompts::openPath(const QString& path, OpenVerb verb)
{
    (void)verb; // the desktop has one handler per file type
    // A web address (the update check's pages) opens in the user's browser.
    const bool web = path.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || path.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
    const QUrl url = web ? QUrl(path) : QUrl::fromLocalFile(path);
    return onGuiThread([&] { return QDesktopServices::openUrl(url); });
}
