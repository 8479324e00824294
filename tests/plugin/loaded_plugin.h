#pragma once
// A built plug-in library loaded as a host loads it: dlopen, the entry point with our test
// host's services and the library handle, services found by class id through the factory list,
// and the settings read and written only as the stored records the host keeps. Nothing of the
// plug-in's internals is used; the library's state is its own, apart from the test program's.

#include <dlfcn.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "qarvel/plugin_abi.h"
#include "tests/support/settings_record.h"
#include "tests/support/test_host.h"

namespace tarnwick::plugin_test {

// Where the build put the libraries (TARNWICK_OTHER_PLUGIN_PATH is "" when the other edition
// was not built).
inline const char* this_edition_path() {
    return TARNWICK_PLUGIN_PATH;
}
inline const char* other_edition_path() {
    return TARNWICK_OTHER_PLUGIN_PATH;
}

struct SettingValues {
    int32_t srate = 48000;
    int32_t rsmode = 1;
    int32_t vol = 250;
    int32_t ramplen = 3000;
    int32_t loop = 0;
};

class LoadedPlugin {
  public:
    // The library at `path`, loaded once for the whole test program and never unloaded; null
    // (with the reason in `error`) when it cannot be loaded.
    static LoadedPlugin* at(const std::string& path, std::string* error = nullptr) {
        static std::map<std::string, std::unique_ptr<LoadedPlugin>> loaded;
        auto found = loaded.find(path);
        if (found == loaded.end()) {
            std::unique_ptr<LoadedPlugin> plugin(new LoadedPlugin(path));
            found = loaded.emplace(path, std::move(plugin)).first;
        }
        if (found->second->entry_ == nullptr) {
            if (error != nullptr) *error = found->second->error_;
            return nullptr;
        }
        return found->second.get();
    }

    qarvel::ComponentEntry& entry() { return *entry_; }
    test_host::Console& console() { return console_; }

    // A new service of class `id` from its factory (one reference, the caller's), or null.
    qarvel::Service* create(const qarvel::ClassId& id) {
        for (qarvel::ServiceFactory* f = entry_->first_factory(); f != nullptr; f = f->next) {
            if (f->class_id == id) return f->create();
        }
        return nullptr;
    }
    qarvel::Decoder* new_decoder() {
        return static_cast<qarvel::Decoder*>(create(qarvel::kDecoderClassId));
    }
    qarvel::PreferencesPage* page() {
        return static_cast<qarvel::PreferencesPage*>(create(qarvel::kPreferencesPageClassId));
    }

    std::vector<uint8_t> saved_settings() {
        test_host::Writer writer;
        entry_->save_settings(&writer);
        return writer.all;
    }
    // One setting as the plug-in saves it.
    std::optional<int32_t> setting(const std::string& name) {
        for (const auto& [key, value] : test::parse_settings_records(saved_settings())) {
            if (key == name) return value;
        }
        return std::nullopt;
    }
    // Hands the plug-in stored settings, as a host does after loading it.
    void store(const SettingValues& v) {
        std::vector<uint8_t> bytes;
        for (const auto& [name, value] : {std::pair<const char*, int32_t>{"srate", v.srate},
                                          {"rsmode", v.rsmode},
                                          {"vol", v.vol},
                                          {"ramplen", v.ramplen},
                                          {"loop", v.loop}}) {
            const std::vector<uint8_t> record = test::settings_record(name, value);
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
        entry_->load_settings(bytes.data(), static_cast<uint32_t>(bytes.size()));
    }

  private:
    explicit LoadedPlugin(const std::string& path) : services_(&console_) {
        handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) {
            const char* reason = dlerror();
            error_ = reason != nullptr ? reason : "dlopen failed";
            return;
        }
        auto get_interface =
            reinterpret_cast<QarvelGetInterface>(dlsym(handle_, "qarvel_get_interface"));
        if (get_interface == nullptr) {
            error_ = "no qarvel_get_interface in " + path;
            return;
        }
        entry_ = get_interface(&services_, handle_);
        entry_->set_host_texts("tarnwick tests", path.c_str());
    }

    void* handle_ = nullptr;
    qarvel::ComponentEntry* entry_ = nullptr;
    std::string error_;
    test_host::Console console_;
    test_host::Services services_;
};

}  // namespace tarnwick::plugin_test
