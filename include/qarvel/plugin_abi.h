#pragma once
// The plug-in ABI between the media player qarvel and its decoder plug-ins: the host-side
// objects that a plug-in is handed, the service base that host and plug-in share, and the
// class ids by which services are found. The plug-in and any host include this header alone.
//
// Layout rules that keep both sides in step:
// - Each object is an abstract class whose virtual operations are declared in slot order, so
//   that under the Itanium C++ ABI (Linux x86-64) the n-th declared operation sits in slot n.
// - No virtual destructor (it would take slots), no overloaded virtual names, no data members
//   (save ServiceFactory's two fields, at fixed places after its table). Destructors are
//   protected: nobody deletes a host object through these types.
// - Slots the plug-in never calls are declared as placeholders with empty bodies, only to keep
//   the later slots in place; a host may leave them as they are.
// - Only fixed-width integers, double, bool and pointers pass through a slot. Texts are
//   NUL-terminated UTF-8 and stay owned by the caller unless a slot says otherwise.
// - No exceptions cross a slot in either direction.
// - Every slot says on which thread it may be called:
//   "Any thread."       from any thread, at any time;
//   "UI thread."        the host's user-interface thread only;
//   "Decoder thread."   the one host thread that runs a decoder's open or decode at a time
//                       (a decoder never runs two of its calls at once);
//   "Not during an open." never while any decoder's open runs, on any thread: the call changes
//                       state that every open reads without a lock (the five settings, the
//                       host texts).
//   A host object that the plug-in is handed is called on the thread of the plug-in call that
//   handed it over, and only during that call.
// - The plug-in reads nothing of a host object but its table's slots (no type information,
//   no offset-to-top), so a host may build its objects in C as a table pointer and its data.

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

// What HostFile::size answers for a file whose size is unknown or needs more than 32 bits.
inline constexpr uint32_t kUnknownFileSize = 0xFFFFFFFFu;

// What every service begins with, the host's and the plug-in's alike.
class Service {
  public:
    // Slot 0. Drops one reference; the object may destroy itself at zero. Any thread.
    // Returns the new count (static services always answer 1).
    virtual int32_t release() = 0;
    // Slot 1. Adds one reference. Any thread. Returns the new count (static services: 1).
    virtual int32_t add_reference() = 0;
    // Slot 2. The same object seen as the service `id` names, with a reference added for the
    // caller, or null when the object is not that service. `id` stays the caller's. Any thread.
    virtual Service* query(const ClassId& id) = 0;

  protected:
    ~Service() = default;
};

// The host's service locator, handed to the entry point and kept until the plug-in unloads.
class HostServices {
  public:
    // Slot 0. Finds the `index`-th service of class `id` (the plug-in asks for index 0). Returns
    // it with one reference that the caller must release, or null when there is none. Any
    // thread: the plug-in asks for the console on the thread that reports a message.
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

// A file the host lets a decoder read, valid for the duration of the open call only: the
// plug-in calls it on the decoder thread, during open.
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
    // Decoder thread, during open.
    virtual uint32_t read(void* destination, uint32_t byte_count) = 0;
    // Slot 6. Placeholder; never called by the plug-in.
    virtual void reserved_slot_6() {}
    // Slot 7. The file's size in bytes, or kUnknownFileSize when the host does not know it or
    // it does not fit in 32 bits (4 GiB - 1 bytes and more). A decoder refuses such a file.
    // Decoder thread, during open.
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
    // freed when the call returns: the host copies what it keeps. Cannot fail. Decoder thread,
    // during open.
    virtual void set_tag(const char* name, const char* value) = 0;
    // Slot 8. Placeholder; never called by the plug-in.
    virtual void reserved_slot_8() {}
    // Slot 9. Placeholder; never called by the plug-in.
    virtual void reserved_slot_9() {}
    // Slot 10. Placeholder; never called by the plug-in.
    virtual void reserved_slot_10() {}
    // Slot 11. Sets technical field `name` to `value` (short ASCII texts), owned as for
    // set_tag. Cannot fail. Decoder thread, during open.
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
    // Slot 20. Sets the track's length in seconds. Cannot fail. Decoder thread, during open.
    virtual void set_length(double seconds) = 0;

  protected:
    ~HostTrackInfo() = default;
};

// The host's buffer for one block of decoded audio, valid during one decode call only.
// Samples are interleaved 64-bit floats, full scale +-1.0. Every slot: decoder thread, during
// decode.
class HostAudioChunk {
  public:
    // Slot 0. Placeholder; never called by the plug-in.
    virtual void reserved_slot_0() {}
    // Slot 1. The chunk's sample storage (host-owned, capacity() samples), or null when empty.
    // Decoder thread.
    virtual double* storage() = 0;
    // Slot 2. How many samples the storage holds. Decoder thread.
    virtual uint32_t capacity() = 0;
    // Slot 3. Makes the storage hold at least `sample_count` samples (contents need not be
    // kept). Returns the storage, host-owned, or null when it could not be had. Decoder thread.
    virtual double* resize(uint32_t sample_count) = 0;
    // Slot 4. Placeholder; never called by the plug-in.
    virtual void reserved_slot_4() {}
    // Slot 5. Sets the block's sample rate in Hz. Decoder thread.
    virtual void set_sample_rate(uint32_t hz) = 0;
    // Slot 6. Placeholder; never called by the plug-in.
    virtual void reserved_slot_6() {}
    // Slot 7. Sets the number of interleaved channels. Decoder thread.
    virtual void set_channel_count(uint32_t channels) = 0;
    // Slot 8. Placeholder; never called by the plug-in.
    virtual void reserved_slot_8() {}
    // Slot 9. Sets the number of frames (samples per channel) the storage holds. Decoder
    // thread.
    virtual void set_frame_count(uint32_t frames) = 0;

  protected:
    ~HostAudioChunk() = default;
};

// A byte sink the host hands to the settings save; valid during that call only.
class HostWriter {
  public:
    // Slot 0. Appends `count` bytes (the caller's) to the stored data. Returns the bytes taken;
    // fewer than `count` means the host could not store them. The plug-in does not check. On the
    // thread that called save_settings, during that call.
    virtual uint32_t write(const void* bytes, uint32_t count) = 0;

  protected:
    ~HostWriter() = default;
};

// A text object that receives a text from the other side (the host's text results, and the
// plug-in's own growable text). Lengths count bytes; a `limit` of kNoTextLimit means "to the
// NUL". Passed texts stay the caller's. The plug-in calls only assign on host objects. Every
// slot: on the thread of the call the object was handed to (the plug-in's own text objects:
// the thread that owns them), never from two threads at once.
class HostTextResult {
  public:
    // Slot 0. The current text, NUL-terminated and owned by the object; never null. Valid
    // until the object next changes. The owner's thread.
    virtual const char* text() const = 0;
    // Slot 1. Appends the bytes of `text` up to its NUL, at most `limit` (null appends nothing).
    // Returns false, leaving the text as it was, when memory could not be had. The owner's
    // thread.
    virtual bool append(const char* text, uint32_t limit) = 0;
    // Slot 2. As append, but the bytes replace the whole text. The owner's thread.
    virtual bool assign(const char* text, uint32_t limit) = 0;
    // Slot 3. Cuts the text to `new_length` bytes; a length not below the current one does
    // nothing. Cannot fail. The owner's thread.
    virtual void truncate(uint32_t new_length) = 0;
    // Slot 4. The text's length in bytes, without the NUL. The owner's thread.
    virtual uint32_t length() const = 0;

  protected:
    ~HostTextResult() = default;
};

// {D63655B2-B0CE-4069-BDF9-E364E43FF23C}: the plug-in's decoder service, also carried by its
// factory.
inline constexpr ClassId kDecoderClassId = {
    0xD63655B2u, 0xB0CEu, 0x4069u, {0xBD, 0xF9, 0xE3, 0x64, 0xE4, 0x3F, 0xF2, 0x3C}};

// Flags of Decoder::open. They combine freely; 4 means nothing to a decoder, and an open with
// none of them loads the file and reports its length only.
inline constexpr uint32_t OPEN_INFO = 1;     // report the track's tags and technical fields
inline constexpr uint32_t OPEN_DECODE = 2;   // prepare for decode calls
inline constexpr uint32_t OPEN_NO_LOOP = 8;  // play the song once, whatever the settings say

// A decoder of one file, class kDecoderClassId, created by the decoder's factory with one
// reference that belongs to the caller. Slots 0 to 2 are Service's. Open and decode run on one
// host thread at a time; references may be added and released from any thread.
class Decoder : public Service {
  public:
    // Slot 3. Reads the whole of `file`, parses it and reports the song's length (always) and,
    // with OPEN_INFO, its tags and technical fields into `info`; with OPEN_DECODE it prepares
    // the decode calls. Both objects stay the host's and are not kept. One open per decoder:
    // a second one returns false and changes nothing. Returns false when the file is not a
    // playable song or memory ran out. Decoder thread; it reads the five settings, so never
    // while ComponentEntry::load_settings runs.
    virtual bool open(HostFile* file, HostTrackInfo* info, uint32_t flags) = 0;
    // Slot 4. Fixed answer: false. Does nothing. Any thread.
    virtual bool reserved_slot_4(uint32_t a, uint32_t b) = 0;
    // Slot 5. Whether a file with this extension (no dot, UTF-8) is one the decoder plays;
    // `path` is not looked at. Any thread.
    virtual bool is_own_type(const char* path, const char* extension) = 0;
    // Slot 6. Fixed answer: 1. Does nothing. Any thread.
    virtual int32_t reserved_slot_6(uint32_t a, uint32_t b) = 0;
    // Slot 7. Fixed answer: true. Any thread.
    virtual bool reserved_slot_7() = 0;
    // Slot 8. Renders the next 512 stereo frames into `chunk` (the host's, valid during the
    // call). Returns 1 (block delivered), 0 (end of the song; also for a decoder that was not
    // opened with OPEN_DECODE or whose open failed) or -1 (render error). Decoder thread.
    virtual int32_t decode(HostAudioChunk* chunk) = 0;
    // Slot 9. Fixed answer: false. Does nothing. Any thread.
    virtual bool reserved_slot_9(uint32_t a, uint32_t b) = 0;
    // Slot 10. Fixed answer: false. Any thread.
    virtual bool reserved_slot_10() = 0;
    // Slot 11. Does nothing. Any thread.
    virtual void reserved_slot_11() = 0;
    // Slot 12. Fixed answer: false. Does nothing. Any thread.
    virtual bool reserved_slot_12(uint32_t a, uint32_t b, uint32_t c) = 0;

  protected:
    ~Decoder() = default;
};

}  // namespace qarvel

// ---- Component entry and service registry ------------------------------------------------
// What the host reaches through the one exported function: the component entry, the list of
// service factories, and the two static services (component version, preferences page).

// A window of the host maker's window library, textbridge (see textbridge/textbridge.h): on
// Windows an HWND.
#if defined(_WIN32)
struct HWND__;
#else
struct tb_window;
#endif

namespace qarvel {

#if defined(_WIN32)
using WindowHandle = ::HWND__*;
#else
using WindowHandle = ::tb_window*;
#endif

// The interface version a component entry answers.
inline constexpr int32_t kInterfaceVersion = 35;

// {10BB3EBD-DDF7-4975-A3CC-23084829453E}: the component-version service.
inline constexpr ClassId kComponentVersionClassId = {
    0x10BB3EBDu, 0xDDF7u, 0x4975u, {0xA3, 0xCC, 0x23, 0x08, 0x48, 0x29, 0x45, 0x3E}};

// {7255E8D0-3FCF-4781-B93B-D06CB88DFAFA}: the preferences page service.
inline constexpr ClassId kPreferencesPageClassId = {
    0x7255E8D0u, 0x3FCFu, 0x4781u, {0xB9, 0x3B, 0xD0, 0x6C, 0xB8, 0x8D, 0xFA, 0xFA}};

// One record of the plug-in's factory list. Unlike the other objects here it carries data,
// at fixed places after its operation table: `next` at byte 8 and `class_id` at byte 16 (on
// 64-bit targets). Records are static and live as long as the plug-in is loaded.
class ServiceFactory {
  public:
    // Slot 0. A service of class `class_id` with one reference that the caller must release,
    // or null when memory ran out (static services cannot fail). Any thread.
    virtual Service* create() = 0;

    ServiceFactory* next;  // the following factory; null at the end of the list
    ClassId class_id;      // the class of the services this factory creates

  protected:
    constexpr ServiceFactory(ServiceFactory* next_factory, const ClassId& id)
        : next(next_factory), class_id(id) {}
    ~ServiceFactory() = default;
};

// The component-version service, class kComponentVersionClassId: names the plug-in. Static:
// release and add reference answer 1 and query answers null. Slots 0 to 2 are Service's.
// Each operation assigns (slot 2, no limit) a UTF-8 text to `out`, the caller's; a null `out`
// is ignored. Every slot: any thread, but the file name not while set_host_texts runs.
class ComponentVersion : public Service {
  public:
    // Slot 3. The plug-in's file name as the host last gave it (ComponentEntry slot 5), or "".
    // Any thread; not while set_host_texts runs.
    virtual void file_name(HostTextResult* out) = 0;
    // Slot 4. The component's name. Any thread.
    virtual void name(HostTextResult* out) = 0;
    // Slot 5. The version text; it names the edition. Any thread.
    virtual void version(HostTextResult* out) = 0;
    // Slot 6. A few lines about the component, its edition and where to reach its authors.
    // Any thread.
    virtual void about(HostTextResult* out) = 0;

  protected:
    ~ComponentVersion() = default;
};

// The preferences page service, class kPreferencesPageClassId. Static, as ComponentVersion.
// Slots 0 to 2 are Service's. The page itself lives on the host's UI thread.
class PreferencesPage : public Service {
  public:
    // Slot 3. Creates the page as a child dialog of `parent` through textbridge and returns
    // it (the host destroys it), or null when it could not be made. UI thread: the page's
    // controls write the settings as the user changes them.
    virtual WindowHandle create_page(WindowHandle parent) = 0;
    // Slot 4. The page's name, a static text. Any thread.
    virtual const char* name() = 0;
    // Slot 5. The name of the group of pages the host lists it under, a static text. Any
    // thread.
    virtual const char* group_name() = 0;

  protected:
    ~PreferencesPage() = default;
};

// What qarvel_get_interface returns: one static object, the same on every call.
class ComponentEntry {
  public:
    // Slot 0. Returns kInterfaceVersion. Any thread.
    virtual int32_t interface_version() = 0;
    // Slot 1. The head of the factory list (walk it through `next`); never changes. Any
    // thread.
    virtual ServiceFactory* first_factory() = 0;
    // Slot 2. Writes the settings through `writer` (the caller's) as name-value records; the
    // writer's results are not checked. A null writer is ignored. Any thread (it only reads
    // the settings).
    virtual void save_settings(HostWriter* writer) = 0;
    // Slot 3. Takes settings from bytes a save produced (the caller's, `count` of them);
    // malformed bytes are read as far as they make sense and never fail. Not during an open:
    // the settings are process-wide values that every open reads without a lock, so a host
    // loads them before it opens decoders (at start-up, or from its UI thread between files).
    virtual void load_settings(const void* bytes, uint32_t count) = 0;
    // Slot 4. Does nothing. Any thread.
    virtual void reserved_slot_4() = 0;
    // Slot 5. Hands over two texts (copied): an informational one, then the plug-in's file
    // name, which the component-version service reports and console messages carry as their
    // source. An empty or null text forgets the earlier copy. Not during an open (nor while a
    // decoder runs at all): call it before creating services.
    virtual void set_host_texts(const char* first, const char* file_name) = 0;
    // Slot 6. Stores a flag of the host's; nothing depends on it. Any thread.
    virtual void set_host_flag(bool flag) = 0;

  protected:
    ~ComponentEntry() = default;
};

}  // namespace qarvel

extern "C" {
// The one function a plug-in exports. Keeps `services` (used to find the console) and
// `instance` (the handle dlopen gave for the plug-in, on Windows its HMODULE; its dialog
// resources are found through it) until the next call, and returns the component entry, the same
// object every time. Not during an open (nor while a decoder runs): a host calls it once, from
// one thread, before anything else.
qarvel::ComponentEntry* qarvel_get_interface(qarvel::HostServices* services, void* instance);
typedef qarvel::ComponentEntry* (*QarvelGetInterface)(qarvel::HostServices* services,
                                                      void* instance);
}
