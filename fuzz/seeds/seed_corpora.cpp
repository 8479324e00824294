// Writes the seed corpora of every fuzz target: `tarnwick_fuzz_seeds OUTDIR` fills
// OUTDIR/<target>/ with small inputs built by the test DMF writer, so that fuzzing starts
// from songs that use every chunk kind, every sample storage and every effect family.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "demo/demo_song.h"
#include "dmf_writer/dmf_writer.h"
#include "loader/module.h"
#include "tests/support/settings_record.h"

namespace {

using namespace tarnwick::writer;
using tarnwick::Cell;

struct NamedBytes {
    std::string name;
    Bytes bytes;
};

bool make_dir(const std::string& path) {
    return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

std::vector<int8_t> saw(size_t n, int step = 5) {
    std::vector<int8_t> frames(n);
    int v = 0;
    for (size_t i = 0; i < n; ++i) {
        frames[i] = static_cast<int8_t>(v);
        v = (v + step + 128) % 256 - 128;
    }
    return frames;
}

// A triangle is enough: the loader only converts the values.
std::vector<int16_t> triangle16(size_t n) {
    std::vector<int16_t> frames(n);
    for (size_t i = 0; i < n; ++i) {
        const int phase = static_cast<int>(i % 64);
        frames[i] = static_cast<int16_t>((phase < 32 ? phase : 64 - phase) * 2000 - 32000);
    }
    return frames;
}

// Every storage, looping and not; the packed ones with each tree shape.
std::vector<SampleDesc> every_storage() {
    std::vector<SampleDesc> s;
    s.push_back(SampleDesc::pcm8("eight", saw(48)).loop(8, 47));
    s.push_back(SampleDesc::pcm8("eight once", saw(40, 9)));
    const std::vector<int16_t> sixteen = triangle16(64);
    s.push_back(SampleDesc::pcm16("sixteen", sixteen).loop(0, 63));
    s.push_back(SampleDesc::packed("huffman", saw(60, 3), TreeShape::huffman).loop(4, 59));
    s.push_back(SampleDesc::packed("balanced", saw(50, 17), TreeShape::balanced));
    s.push_back(SampleDesc::packed("chain", saw(40, 1), TreeShape::chain).loop(1, 30));
    SampleDesc odd = SampleDesc::pcm8("unsupported", saw(16));
    odd.storage = Storage::unsupported;
    s.push_back(odd);
    for (size_t i = 0; i < s.size(); ++i) {
        s[i].library_name = "lib" + std::to_string(i);
        s[i].rate = static_cast<uint16_t>(8000 + 1000 * i);
        s[i].volume = static_cast<uint8_t>(100 + 20 * i);
    }
    return s;
}

Song base_song(const std::string& title, uint8_t tracks, uint16_t rows) {
    Song song;
    song.header.title = title;
    song.header.composer = "seed";
    song.orders = {0};
    song.track_count = tracks;
    song.patterns.push_back(PatternDesc(tracks, rows));
    song.samples = {SampleDesc::pcm8("saw", saw(64)).loop(0, 63),
                    SampleDesc::packed("once", saw(200, 7))};
    // The fastest tick rate: a render input plays some 40 rows in its 64 blocks at 48000 Hz.
    song.patterns[0].set_global(0, 1, 255);
    return song;
}

// One family of track effects: row r plays a note and effect type (r % types) + 1 with a
// parameter that walks through low, middle and high values.
enum class Family { instrument, note, volume };
Song effect_family_song(const std::string& title, Family family, uint8_t types) {
    Song song = base_song(title, 2, 48);
    PatternDesc& p = song.patterns[0];
    static const uint8_t params[] = {0x00, 0x01, 0x12, 0x47, 0x80, 0xF0, 0xFF, 0x3F};
    for (uint16_t r = 0; r < 48; ++r) {
        const uint8_t type = static_cast<uint8_t>(r % types + 1);
        const uint8_t param = params[(r / types) % 8];
        for (uint8_t t = 0; t < 2; ++t) {
            Cell c = (r % 4 == 0) ? note_cell(static_cast<uint8_t>(37 + 5 * t), 1 + t) : Cell{};
            if (family == Family::instrument) {
                c.instrument_effect = type;
                c.instrument_param = param;
            } else if (family == Family::note) {
                c.note_effect = type;
                c.note_param = param;
                if (type == 6) c.note = static_cast<uint8_t>(129 + 48);  // a portamento target
            } else {
                c.volume_effect = type;
                c.volume_param = param;
            }
            p.set(r, t, c);
        }
    }
    return song;
}

Song global_effects_song() {
    Song song = base_song("global effects", 1, 32);
    PatternDesc& p = song.patterns[0];
    p.set(0, 0, note_cell(37, 1));
    const uint8_t types[] = {1, 2, 3, 4, 6, 7, 5, 63};
    const uint8_t params[] = {63, 0, 0x40, 8, 200, 255, 1, 9};
    for (uint16_t r = 0; r < 32; ++r) p.set_global(r, types[r % 8], params[(r + r / 8) % 8]);
    return song;
}

// Beat mode: a beat, then tempos from the slowest to the fastest, with tempo slides.
Song beat_mode_song() {
    Song song = base_song("beat mode", 2, 24);
    PatternDesc& p = song.patterns[0];
    p.set(0, 0, note_cell(37, 1)).set(0, 1, note_cell(49, 2));
    const uint8_t types[] = {3, 2, 6, 7, 3, 2, 2, 3};
    const uint8_t params[] = {0x40, 255, 255, 200, 0xF0, 0, 90, 0x10};
    for (uint16_t r = 0; r < 24; ++r) p.set_global(r, types[r % 8], params[r % 8]);
    return song;
}

Song notes_song() {
    Song song = base_song("notes", 3, 16);
    PatternDesc& p = song.patterns[0];
    const uint8_t notes[] = {1, 108, 129, 236, 255, 37, 109, 0};
    for (uint16_t r = 0; r < 16; ++r) {
        for (uint8_t t = 0; t < 3; ++t) {
            Cell c = note_cell(notes[(r + t) % 8], static_cast<uint8_t>((r + t) % 4), 0);
            c.volume = static_cast<uint8_t>(r * 17);
            p.set(r, t, c);
        }
    }
    return song;
}

Song storages_song(uint8_t version) {
    Song song = base_song(version == 8 ? "storages v8" : "storages v7", 7, 8);
    song.header.version = version;
    song.samples = every_storage();
    for (uint8_t t = 0; t < 7; ++t) song.patterns[0].set(0, t, note_cell(37, t + 1));
    return song;
}

Song arrangement_song() {
    Song song = base_song("arrangement", 2, 8);
    song.patterns[0].set(0, 0, note_cell(30, 1)).set(4, 1, note_cell(42, 2));
    song.patterns.push_back(PatternDesc(0, 4));  // no tracks
    song.patterns.push_back(PatternDesc(3, 0));  // no rows
    PatternDesc wide(32, 2);
    for (uint8_t t = 0; t < 32; ++t) wide.set(0, t, note_cell(static_cast<uint8_t>(13 + t), 1));
    song.patterns.push_back(wide);
    PatternDesc runs(1, 600);  // repeat runs longer than 255 rows
    runs.set(0, 0, note_cell(37, 1)).set(599, 0, note_cell(255));
    song.patterns.push_back(runs);
    song.orders = {0, 1, 2, 3, 0, 4, 3};
    song.loop_start = 2;
    song.loop_end = 5;
    song.track_count = 32;
    song.message = "A message long enough to wrap over more than one line of forty columns.";
    return song;
}

Bytes chunk_zoo() {
    Song song = base_song("chunks", 1, 4);
    song.patterns[0].set(0, 0, note_cell(37, 1));
    return FileBuilder(song.header)
        .chunk("JUNK", {1, 2, 3, 4, 5})
        .message("first message")
        .chunk("SMPD", {})  // before any "SMPI": converts nothing
        .orders(song.order_chunk())
        .patterns(song.pattern_chunk())
        .orders(OrderChunk{0, 0, {0, 0, 0}, {}})
        .samples(song.samples)
        .message(MessageChunk{"\tcontrol\rbytes\n", 7, {}})
        .end()
        .raw({'t', 'r', 'a', 'i', 'l'})
        .build();
}

std::vector<NamedBytes> songs() {
    std::vector<NamedBytes> out;
    out.push_back({"minimal", minimal_song().build()});
    out.push_back({"global_effects", global_effects_song().build()});
    out.push_back({"instrument_effects",
                   effect_family_song("instrument fx", Family::instrument, 10).build()});
    out.push_back({"note_effects", effect_family_song("note fx", Family::note, 12).build()});
    out.push_back({"volume_effects", effect_family_song("volume fx", Family::volume, 10).build()});
    out.push_back({"notes", notes_song().build()});
    out.push_back({"storages_v8", storages_song(8).build()});
    out.push_back({"storages_v7", storages_song(7).build()});
    out.push_back({"arrangement", arrangement_song().build()});
    out.push_back({"chunk_zoo", chunk_zoo()});
    out.push_back({"beat_mode", beat_mode_song().build()});
    out.push_back({"demo", tarnwick::demo::demo_song_image()});
    return out;
}

Bytes with_prefix(std::initializer_list<uint8_t> prefix, const Bytes& body) {
    Bytes b(prefix);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

void put_le32(Bytes& b, uint32_t v) {
    put_u32(b, v);
}

std::vector<NamedBytes> render_inputs(const std::vector<NamedBytes>& all) {
    // Control byte: mode in bits 0-1, ramp bit 2, loop bit 3, raw settings bit 4, rate 5-7.
    const uint8_t controls[] = {0x05, 0x06, 0x0C, 0x23, 0x40, 0x8E, 0xA4, 0xC5, 0xE6};
    std::vector<NamedBytes> out;
    size_t k = 0;
    for (const NamedBytes& song : all) {
        for (int i = 0; i < 2; ++i, ++k) {
            const uint8_t c = controls[k % sizeof controls];
            out.push_back({song.name + "_" + std::to_string(c), with_prefix({c}, song.bytes)});
        }
    }
    // Stored settings as no page would leave them: rate 0, the largest rate, odd modes,
    // negative and huge volumes and ramps.
    const uint32_t raw[][4] = {{0, 1, 250, 3000},
                               {0xFFFFFFFFu, 2, 1000, 8000},
                               {1, 7, 0xFFFFFFFFu, 3000},
                               {48000, 0xFFFFFFFFu, 0x7FFFFFFF, 0},
                               {96000, 2, 250, 0x80000000u},
                               {44100, 0, 250, 0x7FFFFFFF}};
    const Bytes& minimal = all[0].bytes;
    const Bytes& notes = all[5].bytes;
    for (size_t i = 0; i < sizeof raw / sizeof raw[0]; ++i) {
        Bytes b{static_cast<uint8_t>(0x14 | (i & 1) << 3)};
        for (uint32_t v : raw[i]) put_le32(b, v);
        const Bytes& song = i % 2 ? notes : minimal;
        b.insert(b.end(), song.begin(), song.end());
        out.push_back({"raw_settings_" + std::to_string(i), b});
    }
    return out;
}

std::vector<NamedBytes> packed_inputs() {
    std::vector<NamedBytes> out;
    auto add = [&](const std::string& name, uint16_t frames, const Bytes& block) {
        Bytes b;
        put_u16(b, frames);
        b.insert(b.end(), block.begin(), block.end());
        out.push_back({name, b});
    };
    add("root_only", 10, {0x05, 0x04});
    add("two_leaves", 3, {0x80, 0x03, 0x08, 0xC0, 0x01});
    add("one_byte", 4, {0x7F});
    add("deep_tree", 1000, Bytes(300, 0xFF));
    const std::vector<int8_t> wave = saw(300, 11);
    add("huffman", 300, pack_frames(wave, TreeShape::huffman));
    add("balanced", 300, pack_frames(wave, TreeShape::balanced));
    add("chain", 300, pack_frames(saw(200, 1), TreeShape::chain));
    add("short_count", 20, pack_frames(wave, TreeShape::huffman));
    add("long_count", 4000, pack_frames(saw(64, 3), TreeShape::balanced));
    return out;
}

// Short names: the settings seeds are built from many records.
constexpr auto& record = tarnwick::test::settings_record_with_data;
constexpr auto& value = tarnwick::test::setting_value;

std::vector<NamedBytes> settings_inputs() {
    std::vector<NamedBytes> out;
    Bytes defaults;
    for (auto [n, v] :
         {std::pair{"loop", 0}, {"ramplen", 3000}, {"vol", 250}, {"rsmode", 1}, {"srate", 48000}}) {
        const Bytes r = record(n, value(v));
        defaults.insert(defaults.end(), r.begin(), r.end());
    }
    out.push_back({"defaults", defaults});
    Bytes odd = record("srate", value(0));
    for (const Bytes& r : {record("rsmode", value(-1)), record("vol", value(-5000)),
                           record("ramplen", value(-2147483647 - 1)), record("loop", value(1)),
                           record("vol", Bytes{1, 2}), record("unknown", value(9)),
                           record(std::string("srate\0x", 7), value(96000))}) {
        odd.insert(odd.end(), r.begin(), r.end());
    }
    out.push_back({"odd_values", odd});
    Bytes huge_rate = record("srate", value(-1));
    const Bytes cubic = record("rsmode", value(2));
    huge_rate.insert(huge_rate.end(), cubic.begin(), cubic.end());
    out.push_back({"huge_rate", huge_rate});
    Bytes cut = defaults;
    cut.resize(40);
    out.push_back({"cut", cut});
    Bytes overrun = record("vol", value(500));
    put_u32(overrun, 3);
    overrun.insert(overrun.end(), {'v', 'o', 'l'});
    put_u32(overrun, 0xFFFFFFF0u);
    out.push_back({"overrun", overrun});
    return out;
}

// A decoder session: control byte (open flags in bits 0-2, host misbehaviour in bits 3-7),
// u16 length of the stored settings, the settings, then the file (fuzz/decoder_session.h).
std::vector<NamedBytes> decoder_inputs(const std::vector<NamedBytes>& all,
                                       const std::vector<NamedBytes>& stored) {
    const uint8_t controls[] = {0x03, 0x02, 0x07, 0x01, 0x0B, 0x13, 0x1B, 0x23, 0x43, 0x83};
    std::vector<NamedBytes> out;
    size_t k = 0;
    for (const NamedBytes& song : all) {
        for (int i = 0; i < 2; ++i, ++k) {
            const uint8_t c = controls[k % sizeof controls];
            const Bytes& settings = stored[k % stored.size()].bytes;
            Bytes b{c};
            put_u16(b, static_cast<uint16_t>(settings.size()));
            b.insert(b.end(), settings.begin(), settings.end());
            b.insert(b.end(), song.bytes.begin(), song.bytes.end());
            out.push_back({song.name + "_" + std::to_string(c), b});
        }
    }
    return out;
}

std::vector<NamedBytes> text_inputs() {
    auto t = [](uint8_t selector, const std::string& s) {
        Bytes b{selector};
        b.insert(b.end(), s.begin(), s.end());
        return b;
    };
    std::string high;
    for (int c = 0x80; c <= 0xFF; ++c) high.push_back(static_cast<char>(c));
    return {
        {"decimal_comma", t(0, " 0,25")},
        {"decimal_exponent", t(0, "-1.5e2")},
        {"decimal_two_points", t(0, "1.2.3")},
        {"decimal_huge_exponent", t(0, "0.000e99999999999")},
        {"decimal_many_digits", t(0, "123456789012345678901234567890.5e-400")},
        {"cp437_high", t(1, high)},
        {"cp437_box", t(1, "\xC9\xCD\xBB text \x01\x7F")},
        {"cp437_nul", t(1, std::string("ab\0cd", 5))},
        {"format_date", t(2, "\x03%u-%u-%u")},
        {"format_width", t(2, "\x05%05d|%4s|%+d|%c|%x|%X|%%|%q")},
        {"format_wide", t(2, "\x07%01024d%999999s%S%D%I%U%C")},
        {"format_missing", t(2, "\x00%s%d%u")},
    };
}

bool write_all(const std::string& dir, const std::vector<NamedBytes>& inputs) {
    if (!make_dir(dir)) return false;
    for (const NamedBytes& in : inputs) {
        if (!write_image_file(in.bytes, (dir + "/" + in.name).c_str())) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::string out = argv[1];
    const std::vector<NamedBytes> all = songs();
    // Seeds that do not load would only teach the fuzzer the loader's refusals.
    for (const NamedBytes& song : all) {
        tarnwick::Module module;
        if (!module.load_module(song.bytes.data(), song.bytes.size())) {
            std::fprintf(stderr, "seed song %s does not load: %s\n", song.name.c_str(),
                         tarnwick::to_string(
                             module.load_module_explained(song.bytes.data(), song.bytes.size())));
            return 1;
        }
    }
    const bool ok = make_dir(out) && write_all(out + "/load_module", all) &&
                    write_all(out + "/render_song", render_inputs(all)) &&
                    write_all(out + "/packed_sample", packed_inputs()) &&
                    write_all(out + "/settings_load", settings_inputs()) &&
                    write_all(out + "/text_utilities", text_inputs()) &&
                    write_all(out + "/decoder_service", decoder_inputs(all, settings_inputs()));
    if (!ok) {
        std::fprintf(stderr, "cannot write the seeds into %s\n", out.c_str());
        return 1;
    }
    return 0;
}
