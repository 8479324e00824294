#pragma once
// A HostWriter that collects the bytes in memory (doubling growth), so the settings save can
// learn a value's stored size before writing its record to the host.

#include <cstdint>

#include "qarvel/plugin_abi.h"
#include "shell/grow_buffer.h"

namespace tarnwick {

class MemoryWriter final : public qarvel::HostWriter {
  public:
    // Slot 0. Appends the bytes; returns count, or 0 (nothing kept) when memory ran out.
    uint32_t write(const void* bytes, uint32_t count) noexcept override;

    const uint8_t* data() const { return buffer_.data(); }
    uint32_t size() const { return buffer_.requested(); }
    // Empties the writer, keeping its memory for the next use.
    void clear() { buffer_.resize(0); }

  private:
    GrowBuffer buffer_{Growth::doubling};
};

}  // namespace tarnwick
