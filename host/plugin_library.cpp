#include "host/plugin_library.h"

#include <new>

#include "host/shared_library.h"

namespace standin {

std::unique_ptr<PluginLibrary> PluginLibrary::load(const std::string& path, std::string* error) {
    std::unique_ptr<PluginLibrary> library(new (std::nothrow) PluginLibrary());
    if (!library) {
        *error = "out of memory";
        return nullptr;
    }
    library->path_ = path;
    library->handle_ = open_shared_library(path, error);
    if (library->handle_ == nullptr) return nullptr;
    auto get_interface = reinterpret_cast<QarvelGetInterface>(
        shared_library_symbol(library->handle_, "qarvel_get_interface"));
    if (get_interface == nullptr) {
        *error = path + " is not a qarvel plug-in (no qarvel_get_interface)";
        return nullptr;
    }
    library->entry_ = get_interface(&library->services_, library->handle_);
    if (library->entry_ == nullptr) {
        *error = path + " gave no component entry";
        return nullptr;
    }
    if (library->entry_->interface_version() != qarvel::kInterfaceVersion) {
        *error = path + " speaks another interface version";
        library->entry_ = nullptr;
        return nullptr;
    }
    library->entry_->set_host_texts("qarvel stand-in host", path.c_str());
    return library;
}

PluginLibrary::~PluginLibrary() {
    if (handle_ != nullptr) close_shared_library(handle_);
}

std::vector<uint8_t> PluginLibrary::save_settings() {
    ByteWriter writer;
    entry_->save_settings(&writer);
    return writer.bytes();
}

void PluginLibrary::load_settings(const std::vector<uint8_t>& bytes) {
    if (bytes.size() >= qarvel::kUnknownFileSize) return;
    entry_->load_settings(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

qarvel::Service* PluginLibrary::create(const qarvel::ClassId& id) {
    // The list is the plug-in's; bound the walk so that a damaged list cannot hang the host.
    constexpr int kMostFactories = 4096;
    int seen = 0;
    for (qarvel::ServiceFactory* f = entry_->first_factory(); f != nullptr && seen < kMostFactories;
         f = f->next, ++seen) {
        if (f->class_id == id) return f->create();
    }
    return nullptr;
}

ServiceRef<qarvel::Decoder> PluginLibrary::new_decoder() {
    return ServiceRef<qarvel::Decoder>(
        static_cast<qarvel::Decoder*>(create(qarvel::kDecoderClassId)));
}

ServiceRef<qarvel::ComponentVersion> PluginLibrary::component_version() {
    return ServiceRef<qarvel::ComponentVersion>(
        static_cast<qarvel::ComponentVersion*>(create(qarvel::kComponentVersionClassId)));
}

ServiceRef<qarvel::PreferencesPage> PluginLibrary::preferences_page() {
    return ServiceRef<qarvel::PreferencesPage>(
        static_cast<qarvel::PreferencesPage*>(create(qarvel::kPreferencesPageClassId)));
}

}  // namespace standin
