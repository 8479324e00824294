#pragma once
// The factory list the host walks to find the plug-in's services, from the head: the
// component-version service, the preferences page, the decoder. The first two are static
// services that follow their factories in the same static object; the decoder's factory makes
// a new decoder with one reference each time, or null when memory ran out.
//
// shell/ is both the base layer that every folder leans on and the entry point: this registry
// is where it reaches up into decoder/ for the services it lists (docs/architecture.md).

#include "qarvel/plugin_abi.h"

namespace tarnwick {

qarvel::ServiceFactory* first_service_factory();

}  // namespace tarnwick
