#pragma once
// The first three slots of a static service (one that lives as long as the plug-in and is
// never destroyed): release and add reference do nothing and answer 1, and query answers null
// for every class id, its own included. All constexpr-constructible, so that a static service
// and its factory are ready before any initialiser of the library runs.

#include "qarvel/plugin_abi.h"

namespace tarnwick {

template <typename Interface>
class StaticService : public Interface {
  public:
    constexpr StaticService() = default;

    int32_t release() noexcept final { return 1; }
    int32_t add_reference() noexcept final { return 1; }
    qarvel::Service* query(const qarvel::ClassId&) noexcept final { return nullptr; }
};

// A factory whose service follows it in the same static object; create hands out that
// service (add reference, which does nothing, then the service itself).
template <typename ServiceType>
class StaticServiceFactory final : public qarvel::ServiceFactory {
  public:
    template <typename... ServiceArgs>
    constexpr StaticServiceFactory(qarvel::ServiceFactory* next_factory, const qarvel::ClassId& id,
                                   ServiceArgs... service_args)
        : ServiceFactory(next_factory, id), service_(service_args...) {}

    qarvel::Service* create() noexcept override {
        service_.add_reference();
        return &service_;
    }
    ServiceType& service() { return service_; }

  private:
    ServiceType service_;
};

}  // namespace tarnwick
