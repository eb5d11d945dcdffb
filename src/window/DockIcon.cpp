#include "window/DockIcon.h"

#include "platform/UserDefaults.h"

namespace DockIcon {

bool windowOpen = false;

bool enabled()
{
    const QVariant stored = platform::UserDefaults::standard().object(kShowInDockKey);
    if (stored.typeId() != QMetaType::Bool)
        return true;
    return stored.toBool();
}

platform::windowing::ActivationPolicy policy()
{
    using platform::windowing::ActivationPolicy;
    return windowOpen && enabled() ? ActivationPolicy::regular : ActivationPolicy::accessory;
}

void apply()
{
    platform::windowing::setActivationPolicy(policy());
    if (windowOpen)
        platform::windowing::activateSelf();
}

} // namespace DockIcon
