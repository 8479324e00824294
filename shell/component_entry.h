#pragma once
// The component entry: the one static object that the exported qarvel_get_interface returns,
// and through which the host reaches the factory list, the settings and its hand-overs.
//
// Limits and choices:
// - Nothing here is built at run time: the entry, the factories and the static services are
//   constant-initialised, so the factory list exists, in its order, before any initialiser of
//   the library runs, whatever order the linker gives the objects.
// - The entry point keeps the host services and the module instance of its latest call.
// - Shutdown frees the settings' names and the host texts; the static objects own nothing.

#include "qarvel/plugin_abi.h"

namespace tarnwick {

class TarnwickComponentEntry final : public qarvel::ComponentEntry {
  public:
    constexpr TarnwickComponentEntry() = default;

    // Slot 0. 35.
    int32_t interface_version() noexcept override { return qarvel::kInterfaceVersion; }
    // Slot 1.
    qarvel::ServiceFactory* first_factory() noexcept override;
    // Slot 2.
    void save_settings(qarvel::HostWriter* writer) noexcept override;
    // Slot 3.
    void load_settings(const void* bytes, uint32_t count) noexcept override;
    // Slot 4.
    void reserved_slot_4() noexcept override {}
    // Slot 5.
    void set_host_texts(const char* first, const char* file_name) noexcept override;
    // Slot 6.
    void set_host_flag(bool flag) noexcept override;
};

// The component entry itself.
qarvel::ComponentEntry& component_entry();

// The module instance the entry point was given (the handle through which textbridge finds
// the dialog resources); null before the first call.
void* module_instance();

}  // namespace tarnwick
