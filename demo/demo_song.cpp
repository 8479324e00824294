#include "demo/demo_song.h"

#include <string>
#include <vector>

#include "demo/demo_instruments.h"

namespace tarnwick::demo {

using writer::PatternDesc;
using writer::Song;

namespace {

// Instrument numbers (1-based, in the order of the song's samples).
enum Instrument : uint8_t { kBass = 1, kLead, kKick, kSnare, kHat, kChip };
// Tracks.
enum Track : uint8_t { kDrums = 0, kHats, kBassTrack, kTop, kTrackCount };

// Effect types, by family.
namespace global_fx {
constexpr uint8_t kTickRate = 1, kTempo = 2, kBeat = 3, kTempoSlideDown = 7;
}
namespace instrument_fx {
constexpr uint8_t kSampleDelay = 4, kRetrigger = 5, kSampleOffset = 6, kReverse = 10;
}
namespace note_fx {
constexpr uint8_t kFineTune = 1, kArpeggio = 3, kPortaDown = 5, kTonePorta = 6, kVibrato = 8,
                  kNoteCut = 12;
}
namespace volume_fx {
constexpr uint8_t kSlideUp = 1, kSlideDown = 2, kGate = 3, kTremolo = 4, kSetPan = 7, kPanRight = 9,
                  kPanbrello = 10;
}

constexpr uint8_t kNoteOff = 255;

// "C-4", "F#2": note 37 is C-4.
constexpr uint8_t note(const char* name) {
    constexpr int kOffsets[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    int pc = kOffsets[name[0] - 'A'] + (name[1] == '#' ? 1 : 0);
    int octave = name[2] - '0';
    return static_cast<uint8_t>(1 + 12 * (octave - 1) + pc);
}
// A tone-portamento target: the note byte that names `name` as where to glide.
constexpr uint8_t glide_to(const char* name) {
    return static_cast<uint8_t>(128 + note(name));
}

// Small writers of one cell's parts.
struct Cells {
    PatternDesc& p;

    void play(uint16_t row, uint8_t track, uint8_t n, uint8_t instrument, uint8_t volume = 0) {
        Cell& c = p.cell(row, track);
        c.note = n;
        c.instrument = instrument;
        c.volume = volume;
    }
    void note_only(uint16_t row, uint8_t track, uint8_t n) { p.cell(row, track).note = n; }
    void instrument_effect(uint16_t row, uint8_t track, uint8_t type, uint8_t param) {
        p.cell(row, track).instrument_effect = type;
        p.cell(row, track).instrument_param = param;
    }
    void note_effect(uint16_t row, uint8_t track, uint8_t type, uint8_t param) {
        p.cell(row, track).note_effect = type;
        p.cell(row, track).note_param = param;
    }
    void volume_effect(uint16_t row, uint8_t track, uint8_t type, uint8_t param) {
        p.cell(row, track).volume_effect = type;
        p.cell(row, track).volume_param = param;
    }
    // The same note effect on every row of [first, last]: running effects stop on a row
    // that does not carry them.
    void note_effect_rows(uint16_t first, uint16_t last, uint8_t track, uint8_t type,
                          uint8_t param) {
        for (uint16_t r = first; r <= last; ++r) note_effect(r, track, type, param);
    }
    void volume_effect_rows(uint16_t first, uint16_t last, uint8_t track, uint8_t type,
                            uint8_t param) {
        for (uint16_t r = first; r <= last; ++r) volume_effect(r, track, type, param);
    }
};

// Bass line for one bar of 16 rows on `root`: eighths with staccato octave jumps.
void bass_bar(Cells& c, uint16_t bar_row, const char* root, uint8_t accent = 0) {
    const uint8_t r = note(root);
    c.play(bar_row + 0, kBassTrack, r, kBass, accent);
    c.play(bar_row + 3, kBassTrack, r, kBass, 150);
    c.play(bar_row + 6, kBassTrack, static_cast<uint8_t>(r + 12), kBass, 170);
    c.note_effect(bar_row + 6, kBassTrack, note_fx::kNoteCut, 100);
    c.play(bar_row + 8, kBassTrack, r, kBass);
    c.play(bar_row + 10, kBassTrack, r, kBass, 140);
    c.play(bar_row + 12, kBassTrack, static_cast<uint8_t>(r + 12), kBass, 170);
    c.note_effect(bar_row + 12, kBassTrack, note_fx::kNoteCut, 100);
    c.play(bar_row + 14, kBassTrack, static_cast<uint8_t>(r + 7), kBass, 150);
}

// A standard bar of drums: kick on 0, 8 and 10, snare on 4 and 12.
void drum_bar(Cells& c, uint16_t bar_row) {
    for (uint16_t r : {0, 8, 10}) c.play(bar_row + r, kDrums, note("C-4"), kKick);
    for (uint16_t r : {4, 12}) c.play(bar_row + r, kDrums, note("C-4"), kSnare);
}

// Closed hats on the eighths, accented on the off-beats, swapped between two pan positions.
void hat_bar(Cells& c, uint16_t bar_row) {
    for (uint16_t r = 0; r < 16; r += 2) {
        bool off_beat = r % 4 == 2;
        c.play(bar_row + r, kHats, note("C-4"), kHat, off_beat ? 120 : 70);
        c.volume_effect(bar_row + r, kHats, volume_fx::kSetPan, off_beat ? 170 : 90);
    }
}

// A snare roll over rows [first, last]: retriggered `interval` position units apart while the
// volume climbs.
void snare_roll(Cells& c, uint16_t first, uint16_t last, uint8_t interval) {
    c.play(first, kDrums, note("C-4"), kSnare, 60);
    for (uint16_t r = first; r <= last; ++r) {
        c.instrument_effect(r, kDrums, instrument_fx::kRetrigger, interval);
        c.volume_effect(r, kDrums, volume_fx::kSlideUp, 24);
    }
}

PatternDesc intro() {
    PatternDesc p(kTrackCount, 32, 4);
    Cells c{p};
    p.set_global(0, global_fx::kTickRate, 31);  // 32 ticks per second: 8 rows per second

    for (uint16_t r : {0, 8, 16, 24}) c.play(r, kDrums, note("C-4"), kKick);
    c.play(12, kDrums, note("C-4"), kSnare, 90);
    c.instrument_effect(12, kDrums, instrument_fx::kSampleOffset, 4);  // skip the attack
    c.play(20, kDrums, note("C-4"), kSnare);
    snare_roll(c, 28, 31, 64);

    // Hats sweep from left to right across the intro.
    c.volume_effect(0, kHats, volume_fx::kSetPan, 30);
    for (uint16_t r = 0; r < 32; r += 2) {
        c.play(r, kHats, note("C-4"), kHat, r % 4 ? 100 : 60);
        if (r) c.volume_effect(r, kHats, volume_fx::kPanRight, 12);
    }

    c.play(0, kBassTrack, note("A-2"), kBass, 200);
    c.play(8, kBassTrack, note("A-2"), kBass);
    c.play(12, kBassTrack, note("G-2"), kBass);
    c.play(16, kBassTrack, note("F-2"), kBass, 200);
    c.play(24, kBassTrack, note("G-2"), kBass);
    c.play(28, kBassTrack, note("G-2"), kBass);
    c.note_effect_rows(29, 31, kBassTrack, note_fx::kPortaDown, 10);

    // The lead swells in with a slow vibrato.
    c.play(16, kTop, note("E-4"), kLead, 16);
    c.volume_effect(16, kTop, volume_fx::kSetPan, 150);
    c.volume_effect_rows(17, 31, kTop, volume_fx::kSlideUp, 12);
    c.note_effect_rows(17, 31, kTop, note_fx::kVibrato, 0x31);
    return p;
}

// The lead's phrase over Am F C G, with glides, vibrato and a fading last note.
void lead_phrase(Cells& c, bool answer) {
    struct Step {
        uint16_t row;
        const char* name;
    };
    const std::vector<Step> melody =
        answer ? std::vector<Step>{{0, "E-5"},  {6, "D-5"},  {8, "C-5"},  {12, "B-4"}, {14, "A-4"},
                                   {16, "C-5"}, {22, "A-4"}, {24, "F-4"}, {28, "A-4"}, {32, "G-4"},
                                   {36, "E-4"}, {38, "G-4"}, {48, "D-5"}, {56, "B-4"}, {60, "G-4"}}
               : std::vector<Step>{{0, "A-4"},  {6, "C-5"},  {8, "B-4"},  {12, "A-4"}, {14, "G-4"},
                                   {16, "A-4"}, {22, "F-4"}, {24, "G-4"}, {28, "A-4"}, {32, "G-4"},
                                   {36, "E-4"}, {38, "G-4"}, {48, "B-4"}, {56, "D-5"}, {60, "B-4"}};
    for (const Step& s : melody) c.play(s.row, kTop, note(s.name), kLead, 180);
    c.note_effect_rows(1, 5, kTop, note_fx::kVibrato, 0x31);
    c.note_effect_rows(17, 21, kTop, note_fx::kVibrato, 0x21);
    // From G-4 at row 38, glide up to the phrase's high note.
    c.note_only(40, kTop, glide_to(answer ? "E-5" : "C-5"));
    c.note_effect_rows(40, 45, kTop, note_fx::kTonePorta, 40);
    c.note_effect_rows(49, 55, kTop, note_fx::kVibrato, 0x32);
    c.volume_effect_rows(60, 63, kTop, volume_fx::kSlideDown, 40);
}

PatternDesc verse(bool answer) {
    PatternDesc p(kTrackCount, 64, 4);
    Cells c{p};
    if (!answer) p.set_global(0, global_fx::kTempo, 128);  // beat mode: 128 BPM, 4 rows a beat

    const char* roots[] = {"A-2", "F-2", "C-3", "G-2"};
    for (uint16_t bar = 0; bar < 4; ++bar) {
        if (bar < 3) drum_bar(c, bar * 16);
        hat_bar(c, bar * 16);
        bass_bar(c, bar * 16, roots[bar], bar == 0 ? 210 : 0);
    }
    // Last bar: kicks, then a roll into the next section.
    for (uint16_t r : {48, 56}) c.play(r, kDrums, note("C-4"), kKick);
    c.play(52, kDrums, note("C-4"), kSnare);
    snare_roll(c, 58, 63, answer ? 32 : 64);
    lead_phrase(c, answer);
    return p;
}

PatternDesc bridge() {
    PatternDesc p(kTrackCount, 64, 4);
    Cells c{p};
    p.set_global(0, global_fx::kBeat, 0x40);

    struct Chord {
        const char* root;
        uint8_t arpeggio;  // semitones of the 2nd and 3rd step, as nibbles
        const char* bass;
    };
    const Chord chords[] = {
        {"D-4", 0x37, "D-2"}, {"A-3", 0x37, "A-2"}, {"F-4", 0x47, "F-2"}, {"E-4", 0x47, "E-2"}};
    for (uint16_t bar = 0; bar < 4; ++bar) {
        const uint16_t b = bar * 16;
        const Chord& chord = chords[bar];
        // Half-time drums with a late ghost snare.
        c.play(b, kDrums, note("C-4"), kKick);
        c.play(b + 6, kDrums, note("C-4"), kKick, 150);
        c.play(b + 8, kDrums, note("C-4"), kSnare);
        c.play(b + 15, kDrums, note("C-4"), kSnare, 70);
        c.instrument_effect(b + 15, kDrums, instrument_fx::kSampleDelay, 128);
        // Sixteenth hats swinging around the stereo field.
        for (uint16_t r = 0; r < 16; ++r) {
            c.play(b + r, kHats, note("C-4"), kHat, r % 2 ? 50 : 90);
            c.volume_effect(b + r, kHats, volume_fx::kPanbrello, 0x37);
        }
        // Bass: long plucks.
        c.play(b, kBassTrack, note(chord.bass), kBass, 220);
        c.play(b + 10, kBassTrack, static_cast<uint8_t>(note(chord.bass) + 12), kBass, 150);
        // Chip chords: arpeggiated, restruck on every beat.
        for (uint16_t r = 0; r < 16; ++r) {
            if (r % 4 == 0) c.play(b + r, kTop, note(chord.root), kChip, 140);
            c.note_effect(b + r, kTop, note_fx::kArpeggio, chord.arpeggio);
        }
    }
    // Third chord chopped by the volume gate, fourth with a tremolo.
    c.volume_effect_rows(32, 47, kTop, volume_fx::kGate, 0x77);
    c.volume_effect_rows(48, 63, kTop, volume_fx::kTremolo, 0x13);
    // A reversed snare sucks back into the next section.
    c.play(60, kDrums, note("C-4"), kSnare, 200);
    c.instrument_effect(61, kDrums, instrument_fx::kReverse, 0);
    return p;
}

PatternDesc outro() {
    PatternDesc p(kTrackCount, 64, 4);
    Cells c{p};
    // The last two bars slow down: the tempo falls by a quarter BPM per tick.
    for (uint16_t r = 32; r < 64; ++r) p.set_global(r, global_fx::kTempoSlideDown, 1);

    const char* roots[] = {"A-2", "F-2", "C-3"};
    for (uint16_t bar = 0; bar < 3; ++bar) {
        drum_bar(c, bar * 16);
        hat_bar(c, bar * 16);
        bass_bar(c, bar * 16, roots[bar]);
    }
    // Final chord: kick and a long retriggered snare fading out, a held bass cut at the end.
    c.play(48, kDrums, note("C-4"), kKick);
    c.play(49, kDrums, note("C-4"), kSnare, 150);
    for (uint16_t r = 49; r < 56; ++r) {
        c.instrument_effect(r, kDrums, instrument_fx::kRetrigger, 32);
        c.volume_effect(r, kDrums, volume_fx::kSlideDown, 20);
    }
    c.play(48, kBassTrack, note("A-2"), kBass, 230);
    c.note_effect(62, kBassTrack, note_fx::kNoteCut, 128);

    const struct {
        uint16_t row;
        const char* name;
    } melody[] = {{0, "C-5"},  {8, "B-4"},  {12, "A-4"}, {16, "A-4"}, {24, "G-4"},
                  {32, "E-4"}, {40, "G-4"}, {44, "B-4"}, {48, "A-4"}};
    for (const auto& s : melody) c.play(s.row, kTop, note(s.name), kLead, 170);
    c.note_effect(24, kTop, note_fx::kFineTune, 0xF8);  // half a semitone flat, bluesy
    c.note_effect_rows(49, 62, kTop, note_fx::kVibrato, 0x23);
    c.volume_effect_rows(52, 62, kTop, volume_fx::kSlideDown, 16);
    c.note_only(63, kTop, kNoteOff);
    return p;
}

// The song message: lines of 40 characters, as the loader wraps it.
std::string message() {
    const char* lines[] = {
        "tarnwick demo song",
        "",
        "Synthesized instruments: plucked bass,",
        "soft sine lead, chip pulse, kick, snare",
        "and hi-hat (the last two packed).",
        "Written by tarnwick's own DMF writer.",
    };
    std::string text;
    for (const char* line : lines) {
        std::string l(line);
        l.resize(40, ' ');
        text += l;
    }
    return text;
}

}  // namespace

Song demo_song() {
    Song song;
    song.header.tracker_name = "TARNWICK";
    song.header.title = "Tarnwick Demo";
    song.header.composer = "tarnwick";
    song.header.day = 14;
    song.header.month = 3;
    song.header.year = 125;
    song.message = message();
    song.orders = {0, 1, 2, 3, 4};
    song.loop_start = 1;
    song.loop_end = 3;
    song.track_count = kTrackCount;
    song.patterns = {intro(), verse(false), bridge(), verse(true), outro()};
    song.samples = {pluck_bass(), sine_lead(), kick_drum(), snare_drum(), hi_hat(), chip_pulse()};
    return song;
}

writer::Bytes demo_song_image() {
    return demo_song().build();
}

}  // namespace tarnwick::demo
