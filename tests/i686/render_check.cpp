// The two halves of the i686 render comparison (renders_match_64bit.sh):
//
//     tarnwick_render_check songs DIR      writes the songs the comparison plays besides the
//                                          demo song and tests/data into DIR
//     tarnwick_render_check compare A B    compares two raw float renders to the last bit
//
// `compare` prints the frame count, how many samples differ, the largest difference and the
// first frame that differs, and exits with 1 when any sample differs or the lengths do.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "engine/effect_types.h"
#include "tests/plugin/plugin_songs.h"
#include "tests/robustness/busy_song.h"

namespace tarnwick::render_check {
namespace {

// Four tracks over three patterns of 64 rows, about half a minute: every modulator (vibrato,
// tremolo and panbrello in each waveform), portamento up, down and to a note, arpeggio and
// slides, held for long stretches so that a value computed at another precision has time to
// move a span or an event by a frame.
writer::Song modulated_song() {
    writer::Song song;
    song.header.title = "modulated";
    song.track_count = 4;
    static const uint8_t params[] = {0x46, 0x2C, 0x83, 0x1F, 0xF2, 0x58};
    for (uint8_t variant = 0; variant < 3; ++variant) {
        writer::PatternDesc p(4, 64);
        for (uint16_t row = 0; row < 64; ++row) {
            const uint8_t param = params[(row / 8 + variant) % 6];
            Cell lead;  // sine-wave vibrato of each shape over a held note
            if (row % 16 == 0) lead = writer::note_cell(static_cast<uint8_t>(49 + variant), 1);
            lead.note_effect = static_cast<uint8_t>(note_effect::kVibratoSine + (row / 16) % 3);
            lead.note_param = param;
            lead.volume_effect =
                row % 32 < 16 ? volume_effect::kVolumeSlideDown : volume_effect::kVolumeSlideUp;
            lead.volume_param = 0x03;
            p.set(row, 0, lead);

            Cell bass;  // portamento up and down, then to a target note
            if (row % 8 == 0) bass = writer::note_cell(static_cast<uint8_t>(25 + row / 8), 2);
            const int slide = (row / 4 + variant) % 3;
            bass.note_effect = slide == 0   ? note_effect::kPortamentoUp
                               : slide == 1 ? note_effect::kPortamentoDown
                                            : note_effect::kTonePortamento;
            if (slide == 2) bass.note = static_cast<uint8_t>(note_value::kFirstTarget + 30);
            bass.note_param = static_cast<uint8_t>(param & 0x3F);
            p.set(row, 1, bass);

            Cell pad;  // tremolo and panbrello
            if (row % 32 == 0) pad = writer::note_cell(static_cast<uint8_t>(37 + variant), 1, 180);
            pad.volume_effect =
                static_cast<uint8_t>(row % 24 < 12 ? volume_effect::kTremoloSine + (row / 24) % 3
                                                   : volume_effect::kPanbrello);
            pad.volume_param = param;
            p.set(row, 2, pad);

            Cell arp;  // arpeggio, with a fine tune now and then
            if (row % 4 == 0) arp = writer::note_cell(static_cast<uint8_t>(61 + row % 12), 2, 140);
            arp.note_effect = row % 8 == 4 ? note_effect::kFineTune : note_effect::kArpeggio;
            arp.note_param = row % 8 == 4 ? static_cast<uint8_t>(0x80 + row) : 0x37;
            arp.volume_effect = volume_effect::kPanningSlideRight;
            arp.volume_param = 0x02;
            p.set(row, 3, arp);
        }
        p.set_global(0, global_effect::kSetTempo, static_cast<uint8_t>(110 + 25 * variant));
        song.patterns.push_back(p);
    }
    song.orders = {0, 1, 2, 1, 0};

    std::vector<int16_t> sine(1000);
    for (size_t i = 0; i < sine.size(); ++i) {
        sine[i] = static_cast<int16_t>(std::lround(
            24000.0 * std::sin(2.0 * std::numbers::pi * static_cast<double>(i) / 125.0)));
    }
    song.samples.push_back(writer::SampleDesc::pcm16("sine", sine).loop(0, 999));
    std::vector<int8_t> saw(50);
    for (size_t i = 0; i < saw.size(); ++i) saw[i] = static_cast<int8_t>(5 * i - 125);
    song.samples.push_back(writer::SampleDesc::pcm8("saw", saw).loop(0, 49));
    return song;
}

int write_songs(const std::string& dir) {
    std::vector<plugin_test::NamedSong> songs = plugin_test::comparison_songs();
    songs.erase(songs.begin());  // the demo song: qarvel plays its own copy
    songs.push_back({"busy song", robustness::busy_song().build()});
    songs.push_back({"modulated", modulated_song().build()});
    for (const plugin_test::NamedSong& song : songs) {
        std::string name = song.name;
        for (char& c : name) c = c == ' ' ? '_' : c;
        const std::string path = dir + "/" + name + ".dmf";
        if (!writer::write_image_file(song.image, path.c_str())) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

bool read_floats(const char* path, std::vector<float>* out) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    float buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, sizeof(float), 4096, f)) > 0)
        out->insert(out->end(), buffer, buffer + n);
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

int compare(const char* a_path, const char* b_path) {
    std::vector<float> a, b;
    if (!read_floats(a_path, &a) || !read_floats(b_path, &b)) {
        std::printf("cannot read %s or %s\n", a_path, b_path);
        return 1;
    }
    size_t differing = 0;
    size_t first = 0;
    double largest = 0.0;
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        // Bit patterns, so that a NaN or a sign of zero counts too.
        if (std::memcmp(&a[i], &b[i], sizeof(float)) == 0) continue;
        if (differing++ == 0) first = i / 2;
        largest = std::max(largest, std::fabs(static_cast<double>(a[i]) - b[i]));
    }
    std::printf("%zu frames, %zu samples differ", a.size() / 2, differing);
    if (differing > 0) std::printf(", largest %.3g, from frame %zu", largest, first);
    if (a.size() != b.size())
        std::printf(", lengths %zu and %zu frames", a.size() / 2, b.size() / 2);
    std::printf("\n");
    return differing == 0 && a.size() == b.size() ? 0 : 1;
}

}  // namespace
}  // namespace tarnwick::render_check

int main(int argc, char** argv) {
    using namespace tarnwick::render_check;
    if (argc == 3 && std::strcmp(argv[1], "songs") == 0) return write_songs(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "compare") == 0) return compare(argv[2], argv[3]);
    std::fprintf(stderr, "usage: %s songs DIR | compare A.f32 B.f32\n", argv[0]);
    return 2;
}
