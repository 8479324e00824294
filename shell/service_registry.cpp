#include "shell/service_registry.h"

#include "decoder/decoder_service.h"
#include "decoder/preferences_page_service.h"
#include "shell/component_version.h"
#include "shell/edition.h"
#include "shell/static_service.h"

namespace tarnwick {
namespace {

// Makes a new decoder service with one reference, the caller's; null when out of memory.
class DecoderFactory final : public qarvel::ServiceFactory {
  public:
    constexpr DecoderFactory() : ServiceFactory(nullptr, qarvel::kDecoderClassId) {}
    qarvel::Service* create() noexcept override { return create_decoder_service(); }
};

// Each factory is added at the head of the list in the order decoder, preferences page,
// component version, so the list runs the other way. Constant initialisation fixes it here,
// before any initialiser runs and independent of the order in which objects are linked.
constinit DecoderFactory g_decoder_factory;
constinit StaticServiceFactory<PreferencesPageService> g_page_factory{
    &g_decoder_factory, qarvel::kPreferencesPageClassId};
constinit StaticServiceFactory<ComponentVersionService> g_version_factory{
    &g_page_factory, qarvel::kComponentVersionClassId, kComponentName, kVersionText,
    kAboutText.data()};

}  // namespace

qarvel::ServiceFactory* first_service_factory() {
    return &g_version_factory;
}

}  // namespace tarnwick
