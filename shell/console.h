#pragma once
// Messages to the host's console. The plug-in finds the console through the HostServices that
// the entry point keeps, prints at SEVERITY_ERROR with the plug-in's file name as the source,
// and releases the console at once. Without host services or a console, a message is dropped.

#include "qarvel/plugin_abi.h"

namespace tarnwick {

// The host services kept from the entry point (null until then).
void set_host_services(qarvel::HostServices* services);
qarvel::HostServices* host_services();

// The plug-in's file name as the host gave it, shown as the source of every message. The text
// stays the caller's and must outlive its use here; null means "".
void set_plugin_file_name(const char* file_name);
const char* plugin_file_name();

// Prints `message` (null: "") at SEVERITY_ERROR, or drops it when there is no console.
void console_message(const char* message);

}  // namespace tarnwick
