#include "shell/config_var.h"

#include <cstdlib>
#include <cstring>

#include "shell/bounded_text.h"
#include "shell/memory_writer.h"

namespace tarnwick {
namespace {

// Constant-initialised, so it is valid before any variable is constructed.
constinit ConfigVar* g_first = nullptr;

// Writes a little-endian u32 through the writer; true when all 4 bytes were taken.
bool write_u32(qarvel::HostWriter& writer, uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return writer.write(bytes, 4) == 4;
}

uint32_t read_u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

// Library initialisation constructs these in this order.
ConfigVar config_srate("srate", kDefaultSampleRate);
ConfigVar config_rsmode("rsmode", kDefaultResampleMode);
ConfigVar config_vol("vol", kDefaultMixVolume);
ConfigVar config_ramplen("ramplen", kDefaultRampLength);
ConfigVar config_loop("loop", kDefaultLoop);

ConfigVar::ConfigVar(const char* name, int32_t default_value)
    : name_(bounded_duplicate(name, kMaxConfigNameLength)), next_(g_first), value_(default_value) {
    g_first = this;
}

ConfigVar::~ConfigVar() {
    for (ConfigVar** link = &g_first; *link != nullptr; link = &(*link)->next_) {
        if (*link == this) {
            *link = next_;
            break;
        }
    }
    std::free(name_);
}

bool ConfigVar::save(qarvel::HostWriter& writer) const {
    return write_u32(writer, static_cast<uint32_t>(value()));
}

void ConfigVar::load(const uint8_t* bytes, size_t count) {
    if (count == 4) set_value(static_cast<int32_t>(read_u32(bytes)));
}

ConfigVar* ConfigVar::first() {
    return g_first;
}

ConfigVar* ConfigVar::find(const char* name, size_t length) {
    for (ConfigVar* var = g_first; var != nullptr; var = var->next_) {
        const char* own = var->name();
        if (std::strlen(own) == length && std::memcmp(own, name, length) == 0) return var;
    }
    return nullptr;
}

void ConfigVar::save_all(qarvel::HostWriter& writer) {
    MemoryWriter data;
    for (ConfigVar* var = g_first; var != nullptr; var = var->next_) {
        data.clear();
        // A value that could not be collected is left out rather than stored empty.
        if (!var->save(data)) continue;
        const char* name = var->name();
        const uint32_t name_length = static_cast<uint32_t>(std::strlen(name));
        write_u32(writer, name_length);
        writer.write(name, name_length);
        write_u32(writer, data.size());
        if (data.size() > 0) writer.write(data.data(), data.size());
    }
}

void ConfigVar::load_all(const void* bytes, size_t count) {
    if (bytes == nullptr || count <= 4) return;
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    size_t at = 0;
    do {
        if (count - at < 4) return;
        const uint32_t name_length = read_u32(p + at);
        at += 4;
        if (name_length > count - at) return;
        const char* name = reinterpret_cast<const char*>(p + at);
        at += name_length;
        if (count - at < 4) return;
        const uint32_t data_length = read_u32(p + at);
        at += 4;
        if (data_length > count - at) return;
        // The name ends at its first NUL, if it has one.
        ConfigVar* var = find(name, bounded_length(name, name_length));
        if (var != nullptr) var->load(p + at, data_length);
        at += data_length;
    } while (count - at > 4);
}

}  // namespace tarnwick
