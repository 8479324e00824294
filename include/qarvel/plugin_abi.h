#pragma once
// The plug-in ABI between the media player qarvel and its decoder plug-ins: the host-side
// objects that a plug-in is handed, the service base that host and plug-in share, and the
// class ids by which services are found. The plug-in and any host include this header alone.
//
// Layout rules that keep both sides in step:
// - Each object is an abstract class whose virtual operations are declared in slot order, so
//   that under the Itanium C++ ABI (Linux x86-64) the n-th declared operation sits in slot n.
// - No virtual destructor (it would take slots), no overloaded virtual names, no data members.
//   Destructors are protected: nobody deletes a host object through these types.
// - Slots the plug-in never calls are declared as placeholders with empty bodies, only to keep
//   the later slots in place; a host may leave them as they are.
// - Only fixed-width integers, double, bool and pointers pass through a slot. Texts are
//   NUL-terminated UTF-8 and stay owned by the caller unless a slot says otherwise.
// - No exceptions cross a slot in either direction.

#include <cstdint>

namespace qarvel {

// A 16-byte class id in the usual GUID memory layout: a little-endian 32-bit word, two
// little-endian 16-bit words, then eight bytes as written.
struct ClassId {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};
static_assert(sizeof(ClassId) == 16, "a class id is exactly 16 bytes");

constexpr bool operator==(const ClassId& a, const ClassId& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
    for (int i = 0; i < 8; ++i) {
        if (a.data4[i] != b.data4[i]) return false;
    }
    return true;
}

// {056B51C7-E78C-4A4E-B84E-6BFF3F8AB8F2}: the host's console, found through HostServices.
inline constexpr ClassId kConsoleClassId = {
    0x056B51C7u, 0xE78Cu, 0x4A4Eu, {0xB8, 0x4E, 0x6B, 0xFF, 0x3F, 0x8A, 0xB8, 0xF2}};

// The only severity at which the plug-in writes to the console.
inline constexpr int32_t SEVERITY_ERROR = 3;

// A text length limit meaning "up to the NUL".
inline constexpr uint32_t kNoTextLimit = 0xFFFFFFFFu;

// What every service begins with, the host's and the plug-in's alike.
class Service {
  public:
    // Slot 0. Drops one reference; the object may destroy itself at zero. Any thread.
    // Returns the new count (static services always answer 1).
    virtual int32_t release() = 0;
    // Slot 1. Adds one reference. Any thread. Returns the new count (static services: 1).
    virtual int32_t add_reference() = 0;
    // Slot 2. The same object seen as the service `id` names, with a reference added for the
    // caller, or null when the object is not that service. `id` stays the caller's.
    virtual Service* query(const ClassId& id) = 0;

  protected:
    ~Service() = default;
};

// The host's service locator, handed to the entry point and kept until the plug-in unloads.
class HostServices {
  public:
    // Slot 0. Finds the `index`-th service of class `id` (the plug-in asks for index 0). Returns
    // it with one reference that the caller must release, or null when there is none.
    virtual Service* find_service(const ClassId& id, uint32_t index) = 0;

  protected:
    ~HostServices() = default;
};

// The host's message console, class kConsoleClassId. Slots 0 to 2 are Service's.
class HostConsole : public Service {
  public:
    // Slot 3. Shows `message` from `source` at `severity` (the plug-in: SEVERITY_ERROR). Both
    // texts stay the caller's and are copied if kept; never null. Any thread; cannot fail.
    virtual void print(int32_t severity, const char* message, const char* source) = 0;

  protected:
    ~HostConsole() = default;
};

// A file the host lets a decoder read, valid for the duration of the open call only.
class HostFile {
  public:
    // Slot 0. Placeholder; never called by the plug-in.
    virtual void reserved_slot_0() {}
    // Slot 1. Placeholder; never called by the plug-in.
    virtual void reserved_slot_1() {}
    // Slot 2. Placeholder; never called by the plug-in.
    virtual void reserved_slot_2() {}
    // Slot 3. Placeholder; never called by the plug-in.
    virtual void reserved_slot_3() {}
    // Slot 4. Placeholder; never called by the plug-in.
    virtual void reserved_slot_4() {}
    // Slot 5. Copies up to `byte_count` bytes from the current position into `destination`
    // (the caller's, at least that large). Returns the bytes copied; fewer means end or error.
    virtual uint32_t read(void* destination, uint32_t byte_count) = 0;
    // Slot 6. Placeholder; never called by the plug-in.
    virtual void reserved_slot_6() {}
    // Slot 7. The file's size in bytes. A file of 4 GiB or more cannot be described and
    // should not be offered to a plug-in.
    virtual uint32_t size() = 0;

  protected:
    ~HostFile() = default;
};

// Where a decoder's open reports what it knows of a track; valid during the open call only.
class HostTrackInfo {
  public:
    // Slot 0. Placeholder; never called by the plug-in.
    virtual void reserved_slot_0() {}
    // Slot 1. Placeholder; never called by the plug-in.
    virtual void reserved_slot_1() {}
    // Slot 2. Placeholder; never called by the plug-in.
    virtual void reserved_slot_2() {}
    // Slot 3. Placeholder; never called by the plug-in.
    virtual void reserved_slot_3() {}
    // Slot 4. Placeholder; never called by the plug-in.
    virtual void reserved_slot_4() {}
    // Slot 5. Placeholder; never called by the plug-in.
    virtual void reserved_slot_5() {}
    // Slot 6. Placeholder; never called by the plug-in.
    virtual void reserved_slot_6() {}
    // Slot 7. Sets tag `name` (ASCII key) to `value` (UTF-8). Both stay the caller's and are
    // freed when the call returns: the host copies what it keeps. Cannot fail.
    virtual void set_tag(const char* name, const char* value) = 0;
    // Slot 8. Placeholder; never called by the plug-in.
    virtual void reserved_slot_8() {}
    // Slot 9. Placeholder; never called by the plug-in.
    virtual void reserved_slot_9() {}
    // Slot 10. Placeholder; never called by the plug-in.
    virtual void reserved_slot_10() {}
    // Slot 11. Sets technical field `name` to `value` (short ASCII texts), owned as for
    // set_tag. Cannot fail.
    virtual void set_technical(const char* name, const char* value) = 0;
    // Slot 12. Placeholder; never called by the plug-in.
    virtual void reserved_slot_12() {}
    // Slot 13. Placeholder; never called by the plug-in.
    virtual void reserved_slot_13() {}
    // Slot 14. Placeholder; never called by the plug-in.
    virtual void reserved_slot_14() {}
    // Slot 15. Placeholder; never called by the plug-in.
    virtual void reserved_slot_15() {}
    // Slot 16. Placeholder; never called by the plug-in.
    virtual void reserved_slot_16() {}
    // Slot 17. Placeholder; never called by the plug-in.
    virtual void reserved_slot_17() {}
    // Slot 18. Placeholder; never called by the plug-in.
    virtual void reserved_slot_18() {}
    // Slot 19. Placeholder; never called by the plug-in.
    virtual void reserved_slot_19() {}
    // Slot 20. Sets the track's length in seconds. Cannot fail.
    virtual void set_length(double seconds) = 0;

  protected:
    ~HostTrackInfo() = default;
};

// The host's buffer for one block of decoded audio, valid during one decode call only.
// Samples are interleaved 64-bit floats, full scale +-1.0.
class HostAudioChunk {
  public:
    // Slot 0. Placeholder; never called by the plug-in.
    virtual void reserved_slot_0() {}
    // Slot 1. The chunk's sample storage (host-owned, capacity() samples), or null when empty.
    virtual double* storage() = 0;
    // Slot 2. How many samples the storage holds.
    virtual uint32_t capacity() = 0;
    // Slot 3. Makes the storage hold at least `sample_count` samples (contents need not be
    // kept). Returns the storage, host-owned, or null when it could not be had.
    virtual double* resize(uint32_t sample_count) = 0;
    // Slot 4. Placeholder; never called by the plug-in.
    virtual void reserved_slot_4() {}
    // Slot 5. Sets the block's sample rate in Hz.
    virtual void set_sample_rate(uint32_t hz) = 0;
    // Slot 6. Placeholder; never called by the plug-in.
    virtual void reserved_slot_6() {}
    // Slot 7. Sets the number of interleaved channels.
    virtual void set_channel_count(uint32_t channels) = 0;
    // Slot 8. Placeholder; never called by the plug-in.
    virtual void reserved_slot_8() {}
    // Slot 9. Sets the number of frames (samples per channel) the storage holds.
    virtual void set_frame_count(uint32_t frames) = 0;

  protected:
    ~HostAudioChunk() = default;
};

// A byte sink the host hands to the settings save; valid during that call only.
class HostWriter {
  public:
    // Slot 0. Appends `count` bytes (the caller's) to the stored data. Returns the bytes taken;
    // fewer than `count` means the host could not store them. The plug-in does not check.
    virtual uint32_t write(const void* bytes, uint32_t count) = 0;

  protected:
    ~HostWriter() = default;
};

// A text object that receives a text from the other side (the host's text results, and the
// plug-in's own growable text). Lengths count bytes; a `limit` of kNoTextLimit means "to the
// NUL". Passed texts stay the caller's. The plug-in calls only assign on host objects.
class HostTextResult {
  public:
    // Slot 0. The current text, NUL-terminated and owned by the object; never null. Valid
    // until the object next changes.
    virtual const char* text() const = 0;
    // Slot 1. Appends the bytes of `text` up to its NUL, at most `limit` (null appends nothing).
    // Returns false, leaving the text as it was, when memory could not be had.
    virtual bool append(const char* text, uint32_t limit) = 0;
    // Slot 2. As append, but the bytes replace the whole text.
    virtual bool assign(const char* text, uint32_t limit) = 0;
    // Slot 3. Cuts the text to `new_length` bytes; a length not below the current one does
    // nothing. Cannot fail.
    virtual void truncate(uint32_t new_length) = 0;
    // Slot 4. The text's length in bytes, without the NUL.
    virtual uint32_t length() const = 0;

  protected:
    ~HostTextResult() = default;
};

}  // namespace qarvel
