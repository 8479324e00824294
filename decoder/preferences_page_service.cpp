#include "decoder/preferences_page_service.h"

#include "decoder/preferences_dialog.h"
#include "decoder/preferences_page.h"
#include "shell/component_entry.h"

namespace tarnwick {

qarvel::WindowHandle PreferencesPageService::create_page(qarvel::WindowHandle parent) noexcept {
    return uCreateDialog(module_instance(), kPreferencesDialogId, parent, preferences_page_proc, 0);
}

}  // namespace tarnwick
