// Stored settings handed back by the host: any blob loads without reading outside it, leaves
// exactly the values that a plain reading of the records gives, and then a song plays under
// those values, unchecked, as a decoder's open would use them.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "dmf_writer/dmf_writer.h"
#include "fuzz/render_settings.h"
#include "loader/module.h"
#include "shell/config_var.h"
#include "tests/support/stored_settings.h"

namespace {

using tarnwick::ConfigVar;

using Values = tarnwick::test::StoredSettings;

// The records read one by one, written for this check alone.
Values reference_load(const uint8_t* p, size_t size) {
    Values v;
    if (size <= 4) return v;
    size_t left = size;
    while (left > 4) {
        const uint32_t name_length = tarnwick::fuzz::read_u32(p);
        p += 4;
        left -= 4;
        if (name_length > left) break;
        const uint8_t* name = p;
        size_t text_length = 0;
        while (text_length < name_length && name[text_length] != 0) ++text_length;
        p += name_length;
        left -= name_length;
        if (left < 4) break;
        const uint32_t data_length = tarnwick::fuzz::read_u32(p);
        p += 4;
        left -= 4;
        if (data_length > left) break;
        if (data_length == 4) {
            const int32_t value = static_cast<int32_t>(tarnwick::fuzz::read_u32(p));
            // The first variable in list order: loop, ramplen, vol, rsmode, srate.
            auto is = [&](const char* n) {
                return std::strlen(n) == text_length && std::memcmp(n, name, text_length) == 0;
            };
            if (is("loop"))
                v.loop = value;
            else if (is("ramplen"))
                v.ramplen = value;
            else if (is("vol"))
                v.vol = value;
            else if (is("rsmode"))
                v.rsmode = value;
            else if (is("srate"))
                v.srate = value;
        }
        p += data_length;
        left -= data_length;
    }
    return v;
}

// A short song that sounds on four tracks with notes, slides, vibrato and a looping sample.
const tarnwick::writer::Bytes& song_image() {
    static const tarnwick::writer::Bytes image = [] {
        using namespace tarnwick::writer;
        Song song = minimal_song();
        PatternDesc p(4, 16);
        for (uint8_t t = 0; t < 4; ++t) {
            tarnwick::Cell c = note_cell(static_cast<uint8_t>(25 + 12 * t), 1, 200);
            c.note_effect = 8;  // vibrato
            c.note_param = 0x34;
            c.volume_effect = 2;  // volume slide down
            c.volume_param = 4;
            p.set(0, t, c);
        }
        p.set_global(0, 1, 255);  // the fastest tick rate: many ticks per block
        song.patterns = {p};
        song.track_count = 4;
        return song.build();
    }();
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Settings persist in the library; every input starts from the defaults.
    tarnwick::test::store_settings({});

    // An exact heap copy, so that a read past the blob is caught.
    std::unique_ptr<uint8_t[]> blob(new uint8_t[size]);
    if (size) std::memcpy(blob.get(), data, size);
    ConfigVar::load_all(size ? blob.get() : nullptr, size);

    if (tarnwick::test::current_settings() != reference_load(blob.get(), size)) std::abort();

    const tarnwick::fuzz::RenderSettings settings = tarnwick::test::PlaybackSettings::stored();

    const auto& image = song_image();
    tarnwick::Module module;
    if (!module.load_module(image.data(), image.size())) std::abort();
    module.compute_length_seconds();
    tarnwick::test::apply_playback_settings(module, settings);
    static float block[1024];
    for (int b = 0; b < 8; ++b) {
        for (float& v : block) v = 0.0f;
        const int32_t frames = module.render(block, 512);
        if (frames < 0) std::abort();  // the song is sound: only the settings vary
        if (frames == 0) break;
        for (int32_t i = 0; i < 2 * frames; ++i) {
            if (!std::isfinite(block[i])) std::abort();
        }
    }
    return 0;
}
