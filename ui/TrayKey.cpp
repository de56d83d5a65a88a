#include "TrayKey.h"

#include <array>
#include <utility>

namespace {
constexpr std::array<std::pair<TrayKey, const char*>, 6> Texts{{{TrayKey::Open, "open"},
    {TrayKey::AutoConnect, "auto"}, {TrayKey::DownloadAndSave, "save"}, {TrayKey::ToggleSchedule, "sched"},
    {TrayKey::Disconnect, "disc"}, {TrayKey::Close, "close"}}};
} // namespace

QString TrayKeyText(TrayKey key)
{
    for (const auto& [k, text] : Texts)
        if (k == key)
            return QString::fromLatin1(text);
    return {};
}

std::optional<TrayKey> TrayKeyFromText(const QString& text)
{
    for (const auto& [k, keyText] : Texts)
        if (text == QLatin1String(keyText))
            return k;
    return std::nullopt;
}

bool StartsInstrumentWork(TrayKey key)
{
    return key != TrayKey::Open && key != TrayKey::Close;
}
