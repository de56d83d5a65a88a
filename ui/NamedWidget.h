#pragma once
#include <QString>
#include <utility>

// A new widget with its object name: the pages name their controls as the
// instrument software's windows did, so tests and snapshots find them.
template <typename W, typename... Args>
W* Named(const char* name, Args&&... args)
{
    auto* widget = new W(std::forward<Args>(args)...);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}
