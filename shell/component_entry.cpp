#include "shell/component_entry.h"

#include "shell/config_var.h"
#include "shell/console.h"
#include "shell/host_texts.h"
#include "shell/service_registry.h"

namespace tarnwick {
namespace {

constinit TarnwickComponentEntry g_entry;
constinit void* g_module_instance = nullptr;

}  // namespace

qarvel::ServiceFactory* TarnwickComponentEntry::first_factory() noexcept {
    return first_service_factory();
}

void TarnwickComponentEntry::save_settings(qarvel::HostWriter* writer) noexcept {
    if (writer != nullptr) ConfigVar::save_all(*writer);
}

void TarnwickComponentEntry::load_settings(const void* bytes, uint32_t count) noexcept {
    ConfigVar::load_all(bytes, count);
}

void TarnwickComponentEntry::set_host_texts(const char* first, const char* file_name) noexcept {
    tarnwick::set_host_texts(first, file_name);
}

void TarnwickComponentEntry::set_host_flag(bool flag) noexcept {
    tarnwick::set_host_flag(flag);
}

qarvel::ComponentEntry& component_entry() {
    return g_entry;
}

void* module_instance() {
    return g_module_instance;
}

}  // namespace tarnwick

extern "C" __attribute__((visibility("default"))) qarvel::ComponentEntry* qarvel_get_interface(
    qarvel::HostServices* services, void* instance) {
    tarnwick::set_host_services(services);
    tarnwick::g_module_instance = instance;
    return &tarnwick::component_entry();
}
