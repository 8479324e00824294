#pragma once
// The preferences page service: names the page and creates it, as a child dialog of the
// host's window, from dialog resource 9 of this module with the page's dialog procedure.
// Static: it is never destroyed and holds nothing.

#include "qarvel/plugin_abi.h"
#include "shell/static_service.h"

namespace tarnwick {

inline constexpr const char kPreferencesPageName[] = "tarnwick";
inline constexpr const char kPreferencesPageGroup[] = "Input";

class PreferencesPageService final : public StaticService<qarvel::PreferencesPage> {
  public:
    constexpr PreferencesPageService() = default;

    // Slot 3. uCreateDialog (module instance, 9, parent, the page procedure, 0); null when
    // the entry point has not given the module instance or the dialog could not be made.
    qarvel::WindowHandle create_page(qarvel::WindowHandle parent) noexcept override;
    // Slot 4.
    const char* name() noexcept override { return kPreferencesPageName; }
    // Slot 5.
    const char* group_name() noexcept override { return kPreferencesPageGroup; }
};

}  // namespace tarnwick
