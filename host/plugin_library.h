#pragma once
// A plug-in edition loaded as the host loads it: dlopen (LoadLibrary on Windows), the entry
// point called with the host's services and the library handle, the plug-in told its file
// name, and its services found by class id through the factory list. Only the public ABI header is
// used.
//
// Limits and choices:
// - When each slot may be called, settings loads included, is said in the ABI header
//   (include/qarvel/plugin_abi.h); this host loads the settings before it opens any decoder.
// - The library is unloaded when the object goes; every service taken from it must have been
//   released by then (ServiceRef does that).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/host_objects.h"
#include "qarvel/plugin_abi.h"

namespace standin {

// One reference to a service, released when the holder goes.
template <typename T>
class ServiceRef {
  public:
    ServiceRef() = default;
    explicit ServiceRef(T* service) : service_(service) {}
    ServiceRef(ServiceRef&& other) noexcept : service_(other.service_) { other.service_ = nullptr; }
    ServiceRef& operator=(ServiceRef&& other) noexcept {
        if (this != &other) {
            reset();
            service_ = other.service_;
            other.service_ = nullptr;
        }
        return *this;
    }
    ServiceRef(const ServiceRef&) = delete;
    ServiceRef& operator=(const ServiceRef&) = delete;
    ~ServiceRef() { reset(); }

    void reset() {
        if (service_ != nullptr) service_->release();
        service_ = nullptr;
    }
    T* get() const { return service_; }
    T* operator->() const { return service_; }
    explicit operator bool() const { return service_ != nullptr; }

  private:
    T* service_ = nullptr;
};

class PluginLibrary {
  public:
    // Loads the library at `path`; null with the reason in `error` when it cannot be loaded or
    // does not answer as a plug-in of this interface version.
    static std::unique_ptr<PluginLibrary> load(const std::string& path, std::string* error);
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;
    ~PluginLibrary();

    const std::string& path() const { return path_; }

    // The settings records the plug-in saves now.
    std::vector<uint8_t> save_settings();
    // Hands the plug-in stored settings records (the plug-in's own load rules apply).
    void load_settings(const std::vector<uint8_t>& bytes);

    // A new service of class `id` from the first factory of that class, or null.
    qarvel::Service* create(const qarvel::ClassId& id);
    ServiceRef<qarvel::Decoder> new_decoder();
    ServiceRef<qarvel::ComponentVersion> component_version();
    ServiceRef<qarvel::PreferencesPage> preferences_page();

  private:
    PluginLibrary() : services_(&console_) {}

    std::string path_;
    void* handle_ = nullptr;
    qarvel::ComponentEntry* entry_ = nullptr;
    StderrConsole console_;
    ConsoleServices services_;
};

}  // namespace standin
