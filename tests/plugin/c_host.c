/*
 * A host written in plain C that loads a built plug-in with dlopen and calls every operation
 * of its component entry and services through raw slot indices: an object's first word points
 * at its table of operations, slot n is the n-th pointer of that table, and each operation
 * takes the object as its first argument. Nothing of the plug-in's C++ declarations is used,
 * so this proves the slot layout a host relies on.
 *
 *     tarnwick_c_host PLUGIN.so vanilla|sse
 *
 * Prints one line per failed check and exits with 1 when any failed.
 */

#if defined(_WIN32)
#include <windows.h> /* before textbridge.h, whose Windows constants it then leaves alone */
#else
#include <dlfcn.h>
#endif
#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "textbridge/textbridge.h"

static int g_failures = 0;

#define CHECK(condition)                                                                  \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            ++g_failures;                                                                 \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
        }                                                                                 \
    } while (0)

#define CHECK_TEXT(actual, expected)                                                               \
    do {                                                                                           \
        const char* a_ = (actual);                                                                 \
        const char* e_ = (expected);                                                               \
        if (a_ == NULL || strcmp(a_, e_) != 0) {                                                   \
            ++g_failures;                                                                          \
            fprintf(stderr, "%s:%d: %s is \"%s\", expected \"%s\"\n", __FILE__, __LINE__, #actual, \
                    a_ != NULL ? a_ : "(null)", e_);                                               \
        }                                                                                          \
    } while (0)

/* Loading the library: dlopen, or LoadLibrary on Windows (the entry point then receives the
 * HMODULE, through which the page's dialog resource is found). */
#if defined(_WIN32)
static void* open_library(const char* path) {
    return (void*)LoadLibraryA(path);
}
static void* library_symbol(void* library, const char* name) {
    return (void*)GetProcAddress((HMODULE)library, name);
}
static int close_library(void* library) {
    return FreeLibrary((HMODULE)library) ? 0 : 1;
}
static const char* library_error(void) {
    return "LoadLibrary failed";
}
#else
static void* open_library(const char* path) {
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}
static void* library_symbol(void* library, const char* name) {
    return dlsym(library, name);
}
static int close_library(void* library) {
    return dlclose(library);
}
static const char* library_error(void) {
    return dlerror();
}
#endif

/* Slot `index` of an object's table of operations. */
static void* slot(const void* object, unsigned index) {
    void* const* table = *(void* const* const*)object;
    return table[index];
}

/* Class ids in their memory layout. */
static const uint8_t kVersionId[16] = {0xBD, 0x3E, 0xBB, 0x10, 0xF7, 0xDD, 0x75, 0x49,
                                       0xA3, 0xCC, 0x23, 0x08, 0x48, 0x29, 0x45, 0x3E};
static const uint8_t kPageId[16] = {0xD0, 0xE8, 0x55, 0x72, 0xCF, 0x3F, 0x81, 0x47,
                                    0xB9, 0x3B, 0xD0, 0x6C, 0xB8, 0x8D, 0xFA, 0xFA};
static const uint8_t kDecoderId[16] = {0xB2, 0x55, 0x36, 0xD6, 0xCE, 0xB0, 0x69, 0x40,
                                       0xBD, 0xF9, 0xE3, 0x64, 0xE4, 0x3F, 0xF2, 0x3C};
static const uint8_t kConsoleId[16] = {0xC7, 0x51, 0x6B, 0x05, 0x8C, 0xE7, 0x4E, 0x4A,
                                       0xB8, 0x4E, 0x6B, 0xFF, 0x3F, 0x8A, 0xB8, 0xF2};

/* ---- The host's objects, each a table pointer followed by its own fields ---------------- */

/* HostServices: finds nothing; the plug-in asks only for the console, and only to print. */
typedef struct Services {
    const void* const* table;
    int lookups;
} Services;

static void* services_find(Services* self, const uint8_t* id, uint32_t index) {
    (void)id;
    (void)index;
    ++self->lookups;
    return NULL;
}
static const void* const kServicesTable[] = {(const void*)services_find};

/* HostWriter: collects bytes. */
typedef struct Writer {
    const void* const* table;
    uint8_t bytes[1024];
    uint32_t size;
} Writer;

static uint32_t writer_write(Writer* self, const void* bytes, uint32_t count) {
    if (count > sizeof self->bytes - self->size)
        count = (uint32_t)(sizeof self->bytes - self->size);
    if (count > 0) memcpy(self->bytes + self->size, bytes, count);
    self->size += count;
    return count;
}
static const void* const kWriterTable[] = {(const void*)writer_write};

/* A host text result with its five operations; the plug-in calls assign. */
typedef struct Text {
    const void* const* table;
    char text[1024];
    int assigns;
} Text;

static const char* text_text(Text* self) {
    return self->text;
}
static bool text_append(Text* self, const char* text, uint32_t limit) {
    size_t have = strlen(self->text);
    size_t n = text != NULL ? strlen(text) : 0;
    if (n > limit) n = limit;
    if (n > sizeof self->text - 1 - have) n = sizeof self->text - 1 - have;
    memcpy(self->text + have, text, n);
    self->text[have + n] = '\0';
    return true;
}
static bool text_assign(Text* self, const char* text, uint32_t limit) {
    ++self->assigns;
    self->text[0] = '\0';
    return text_append(self, text, limit);
}
static void text_truncate(Text* self, uint32_t length) {
    if (length < strlen(self->text)) self->text[length] = '\0';
}
static uint32_t text_length(Text* self) {
    return (uint32_t)strlen(self->text);
}
static const void* const kTextTable[] = {(const void*)text_text, (const void*)text_append,
                                         (const void*)text_assign, (const void*)text_truncate,
                                         (const void*)text_length};

static void text_init(Text* text) {
    text->table = kTextTable;
    strcpy(text->text, "(untouched)");
    text->assigns = 0;
}

/* ---- Calls through slots ----------------------------------------------------------------- */

typedef void* (*GetInterface)(void* services, void* instance);
typedef int32_t (*I32Call)(void* self);
typedef void* (*PointerCall)(void* self);
typedef void* (*QueryCall)(void* self, const uint8_t* id);
typedef void (*WriterCall)(void* self, void* writer);
typedef void (*LoadCall)(void* self, const void* bytes, uint32_t count);
typedef void (*VoidCall)(void* self);
typedef void (*TwoTextsCall)(void* self, const char* first, const char* second);
typedef void (*FlagCall)(void* self, bool flag);
typedef void (*TextResultCall)(void* self, Text* out);
typedef const char* (*TextCall)(void* self);
typedef tb_hwnd (*PageCall)(void* self, tb_hwnd parent);
typedef bool (*TypeCall)(void* self, const char* path, const char* extension);

static int32_t call_i32(void* object, unsigned index) {
    return ((I32Call)slot(object, index))(object);
}
static void* query(void* service, const uint8_t* id) {
    return ((QueryCall)slot(service, 2))(service, id);
}
static const char* service_text(void* service, unsigned index, Text* out) {
    text_init(out);
    ((TextResultCall)slot(service, index))(service, out);
    return out->text;
}

/* A factory record: table pointer, then next, then the 16-byte class id. */
typedef struct Factory {
    const void* const* table;
    struct Factory* next;
    uint8_t class_id[16];
} Factory;

static void* create(Factory* factory) {
    return ((PointerCall)slot(factory, 0))(factory);
}

/* ---- The checks -------------------------------------------------------------------------- */

static void check_static_service(Factory* factory, const uint8_t* own_id) {
    void* service = create(factory);
    CHECK(service != NULL);
    if (service == NULL) return;
    CHECK(create(factory) == service);
    CHECK(call_i32(service, 0) == 1); /* release */
    CHECK(call_i32(service, 1) == 1); /* add reference */
    CHECK(call_i32(service, 0) == 1);
    CHECK(query(service, own_id) == NULL);
    CHECK(query(service, kConsoleId) == NULL);
    CHECK(query(service, kDecoderId) == NULL);
    CHECK(call_i32(service, 0) == 1);
    CHECK(create(factory) == service); /* still there after every release */
}

static void check_version_service(void* entry, Factory* factory, const char* edition) {
    void* version = create(factory);
    if (version == NULL) return;
    const bool sse = strcmp(edition, "sse") == 0;
    Text out;
    CHECK_TEXT(service_text(version, 3, &out), "");
    CHECK(out.assigns == 1);
    CHECK_TEXT(service_text(version, 4, &out), "tarnwick");
    CHECK_TEXT(service_text(version, 5, &out), sse ? "0.3.3SSE" : "0.3.3");

    service_text(version, 6, &out);
    const char* second_line = strchr(out.text, '\n');
    CHECK(second_line != NULL);
    if (second_line != NULL) {
        const char* expected = sse ? "SSE-enabled edition -\n" : "vanilla version -\n";
        CHECK(strncmp(second_line + 1, expected, strlen(expected)) == 0);
    }
    CHECK(strstr(out.text, "https://example.org/tarnwick") != NULL);

    /* Slot 5 of the entry hands over the file name: the latest is reported, "" forgets it. */
    TwoTextsCall set_texts = (TwoTextsCall)slot(entry, 5);
    set_texts(entry, "first text", "/opt/qarvel/plugins/libqrv_tarnwick.so");
    CHECK_TEXT(service_text(version, 3, &out), "/opt/qarvel/plugins/libqrv_tarnwick.so");
    set_texts(entry, "", "second.so");
    CHECK_TEXT(service_text(version, 3, &out), "second.so");
    set_texts(entry, "again", "");
    CHECK_TEXT(service_text(version, 3, &out), "");
    set_texts(entry, "again", "libqrv_tarnwick.so");
    CHECK_TEXT(service_text(version, 3, &out), "libqrv_tarnwick.so");
}

static void check_page_service(Factory* factory) {
    void* page = create(factory);
    if (page == NULL) return;
    CHECK_TEXT(((TextCall)slot(page, 4))(page), "tarnwick");
    CHECK_TEXT(((TextCall)slot(page, 5))(page), "Input");

    tb_hwnd frame = tb_create_frame("Preferences");
    tb_hwnd dialog = ((PageCall)slot(page, 3))(page, frame);
    CHECK(dialog != NULL);
    CHECK(tb_parent(dialog) == frame);
    CHECK(tb_child_count(dialog) == 16);
    CHECK(uGetWindowLong(tb_child_at(dialog, 0), GWL_ID) == 1001);
    CHECK_TEXT(tb_window_text(tb_child_at(dialog, 15)), "Loop song forever.");
    CHECK_TEXT(tb_window_text(GetDlgItem(dialog, 1004)), "0.25");
    CHECK_TEXT(tb_combo_entry(GetDlgItem(dialog, 1001), 5), "48000");
    tb_destroy_window(frame);
    CHECK(tb_child_count(dialog) == 0); /* gone with its parent */
}

static uint32_t read_u32(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static void check_settings(void* entry) {
    WriterCall save = (WriterCall)slot(entry, 2);
    LoadCall load = (LoadCall)slot(entry, 3);

    Writer defaults = {kWriterTable, {0}, 0};
    save(entry, &defaults);
    CHECK(defaults.size == 85);
    static const uint8_t kLoopRecord[16] = {4, 0, 0, 0, 'l', 'o', 'o', 'p', 4, 0, 0, 0, 0, 0, 0, 0};
    CHECK(memcmp(defaults.bytes, kLoopRecord, sizeof kLoopRecord) == 0);

    /* "vol" 500 and "loop" 1, as a host would store them. */
    static const uint8_t kChanges[] = {3, 0, 0, 0,   'v', 'o', 'l', 4, 0, 0, 0, 0xF4, 0x01, 0, 0, 4,
                                       0, 0, 0, 'l', 'o', 'o', 'p', 4, 0, 0, 0, 1,    0,    0, 0};
    load(entry, kChanges, sizeof kChanges);
    Writer changed = {kWriterTable, {0}, 0};
    save(entry, &changed);
    CHECK(changed.size == 85);
    CHECK(read_u32(changed.bytes + 12) == 1); /* "loop", first */
    /* "ramplen" (7 letters) follows at 16, then "vol" at 35: its value at 35 + 11. */
    CHECK(memcmp(changed.bytes + 35 + 4, "vol", 3) == 0);
    CHECK(read_u32(changed.bytes + 35 + 11) == 500);

    load(entry, defaults.bytes, defaults.size);
    Writer restored = {kWriterTable, {0}, 0};
    save(entry, &restored);
    CHECK(restored.size == defaults.size);
    CHECK(memcmp(restored.bytes, defaults.bytes, defaults.size) == 0);

    save(entry, NULL); /* ignored, not a crash */
    load(entry, NULL, 0);
}

static void check_decoder(Factory* factory) {
    void* decoder = create(factory);
    CHECK(decoder != NULL);
    if (decoder == NULL) return;
    CHECK(call_i32(decoder, 1) == 2); /* created with one reference */
    CHECK(call_i32(decoder, 0) == 1);
    CHECK(query(decoder, kDecoderId) == decoder);
    CHECK(call_i32(decoder, 0) == 1);
    CHECK(query(decoder, kVersionId) == NULL);
    TypeCall is_own_type = (TypeCall)slot(decoder, 5);
    CHECK(is_own_type(decoder, "song.dmf", "dmf"));
    CHECK(is_own_type(decoder, "SONG.DMF", "DMF"));
    CHECK(!is_own_type(decoder, "song.dm", "dm"));
    CHECK(call_i32(decoder, 0) == 0); /* the last reference */

    /* Every create makes a new decoder with its own count. */
    void* first = create(factory);
    void* second = create(factory);
    CHECK(first != NULL && second != NULL && first != second);
    if (first != NULL) CHECK(call_i32(first, 0) == 0);
    if (second != NULL) CHECK(call_i32(second, 1) == 2);
    if (second != NULL) CHECK(call_i32(second, 0) == 1);
    if (second != NULL) CHECK(call_i32(second, 0) == 0);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s PLUGIN.so vanilla|sse\n", argv[0]);
        return 2;
    }
    void* library = open_library(argv[1]);
    if (library == NULL) {
        fprintf(stderr, "cannot load %s: %s\n", argv[1], library_error());
        return 1;
    }
    GetInterface get_interface = (GetInterface)library_symbol(library, "qarvel_get_interface");
    CHECK(get_interface != NULL);
    if (get_interface == NULL) return 1;

    Services services = {kServicesTable, 0};
    void* entry = get_interface(&services, library);
    CHECK(entry != NULL);
    CHECK(get_interface(&services, library) == entry);
    CHECK(call_i32(entry, 0) == 35);

    Factory* head = (Factory*)((PointerCall)slot(entry, 1))(entry);
    CHECK(((PointerCall)slot(entry, 1))(entry) == head);
    Factory* factories[4] = {NULL, NULL, NULL, NULL};
    int count = 0;
    for (Factory* f = head; f != NULL && count < 4; f = f->next) factories[count++] = f;
    CHECK(count == 3);
    if (count != 3) return 1;
    CHECK(memcmp(factories[0]->class_id, kVersionId, 16) == 0);
    CHECK(memcmp(factories[1]->class_id, kPageId, 16) == 0);
    CHECK(memcmp(factories[2]->class_id, kDecoderId, 16) == 0);
    CHECK(factories[2]->next == NULL);

    ((VoidCall)slot(entry, 4))(entry);
    ((FlagCall)slot(entry, 6))(entry, true);

    check_static_service(factories[0], kVersionId);
    check_static_service(factories[1], kPageId);
    check_version_service(entry, factories[0], argv[2]);
    check_page_service(factories[1]);
    check_settings(entry);
    check_decoder(factories[2]);
    CHECK(services.lookups == 0); /* nothing went wrong, so nothing was printed */

    /* Unloading runs the library's shutdown: the settings' names and the host texts are
     * freed (a sanitizer build reports them as leaks otherwise). */
    CHECK(close_library(library) == 0);

    if (g_failures == 0) printf("all checks passed (%s)\n", argv[1]);
    return g_failures == 0 ? 0 : 1;
}
