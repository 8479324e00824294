#pragma once
// The factory list the host walks to find the plug-in's services, from the head: the
// component-version service, the preferences page, the decoder. The first two are static
// services that follow their factories in the same static object; the decoder's factory makes
// a new decoder with one reference each time, or null when memory ran out.

#include "qarvel/plugin_abi.h"

namespace tarnwick {

qarvel::ServiceFactory* first_service_factory();

}  // namespace tarnwick
