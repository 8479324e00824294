#include "shell/console.h"

namespace tarnwick {
namespace {

// Written by the entry point before the host creates any service, read afterwards.
qarvel::HostServices* g_host_services = nullptr;
const char* g_plugin_file_name = nullptr;

}  // namespace

void set_host_services(qarvel::HostServices* services) {
    g_host_services = services;
}
qarvel::HostServices* host_services() {
    return g_host_services;
}

void set_plugin_file_name(const char* file_name) {
    g_plugin_file_name = file_name;
}
const char* plugin_file_name() {
    return g_plugin_file_name != nullptr ? g_plugin_file_name : "";
}

void console_message(const char* message) {
    qarvel::HostServices* services = g_host_services;
    if (services == nullptr) return;
    qarvel::Service* found = services->find_service(qarvel::kConsoleClassId, 0);
    if (found == nullptr) return;
    // The host answers the console's class id with its console object.
    auto* console = static_cast<qarvel::HostConsole*>(found);
    console->print(qarvel::SEVERITY_ERROR, message != nullptr ? message : "", plugin_file_name());
    console->release();
}

}  // namespace tarnwick
