#pragma once
// The plug-in's persisted settings: named signed 32-bit values that the host stores as bytes
// and hands back at the next start.
//
// Stored format, little-endian, records back to back with no header, count or gap:
//   name length (u32), name bytes (no NUL), data length (u32), data bytes (here: 4, the value).
// A complete save of the five settings is 85 bytes.
//
// Limits and choices:
// - The stored bytes are untrusted. Loading never reads outside them and allocates nothing;
//   it stops at the first record that does not fit, keeping what it loaded before, and skips
//   records of unknown name or with a data length other than 4.
// - A name is read up to the first NUL within its bytes and must then equal a setting's name
//   byte for byte.
// - A value is an atomic 32-bit integer, so that the preferences page (user-interface thread)
//   and a decoder's open (playback thread) can share it without a data race; no ordering
//   beyond the single value is promised.
// - Values are not range-checked here; the preferences page keeps them in range.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "qarvel/plugin_abi.h"

namespace tarnwick {

class ConfigVar {
  public:
    // Copies the name (at most kMaxConfigNameLength bytes), puts the variable at the head of
    // the registration list and starts it at `default_value`.
    ConfigVar(const char* name, int32_t default_value);
    // Frees the name and leaves the registration list.
    ~ConfigVar();
    ConfigVar(const ConfigVar&) = delete;
    ConfigVar& operator=(const ConfigVar&) = delete;

    // Slot 0. Writes the value's 4 bytes; true when the writer took all of them.
    virtual bool save(qarvel::HostWriter& writer) const;
    // Slot 1. A count of 4 sets the value from the bytes; any other count is ignored.
    virtual void load(const uint8_t* bytes, size_t count);

    // The name; "" when its copy could not be made.
    const char* name() const { return name_ != nullptr ? name_ : ""; }
    int32_t value() const { return value_.load(std::memory_order_relaxed); }
    void set_value(int32_t value) { value_.store(value, std::memory_order_relaxed); }
    ConfigVar* next() const { return next_; }

    // The registration list, newest first.
    static ConfigVar* first();
    // The first variable in list order whose name equals the `length` bytes at `name`.
    static ConfigVar* find(const char* name, size_t length);
    // Every variable's record, in list order, through the host's writer.
    static void save_all(qarvel::HostWriter& writer);
    // Records from stored bytes (see the header note); bytes may be null when count is 0.
    static void load_all(const void* bytes, size_t count);

  private:
    char* name_;
    ConfigVar* next_;
    std::atomic<int32_t> value_;
};

inline constexpr size_t kMaxConfigNameLength = 255;

// The five settings, constructed in this order, so the list runs loop, ramplen, vol, rsmode,
// srate.
inline constexpr int32_t kDefaultSampleRate = 48000;  // "srate": output rate in Hz
inline constexpr int32_t kDefaultResampleMode = 1;    // "rsmode": 0 nearest, 1 linear, 2 cubic
inline constexpr int32_t kDefaultMixVolume = 250;     // "vol": mixing volume in thousandths
inline constexpr int32_t kDefaultRampLength = 3000;   // "ramplen": thousandths of a ms, 0 off
inline constexpr int32_t kDefaultLoop = 0;            // "loop": 1 loops forever

extern ConfigVar config_srate;
extern ConfigVar config_rsmode;
extern ConfigVar config_vol;
extern ConfigVar config_ramplen;
extern ConfigVar config_loop;

}  // namespace tarnwick
