#include "tools/inspect/module_report.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tarnwick::inspect {

namespace {

const char* format_name(SampleFormat format) {
    switch (format) {
        case SampleFormat::pcm8:
            return "pcm8";
        case SampleFormat::pcm16:
            return "pcm16";
        case SampleFormat::packed:
            return "packed";
        case SampleFormat::unsupported:
            return "unsupported";
    }
    return "?";
}

std::string hex2(uint8_t v) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", v);
    return text;
}

std::string effect_text(uint8_t type, uint8_t param) {
    if (type == 0 && param == 0) return "....";
    return hex2(type) + hex2(param);
}

// DMF texts are code page 437; bytes outside printable ASCII are shown as \xNN.
std::string printable(const char* text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    return out;
}

std::string quoted(const char* text) {
    return "\"" + (text ? printable(text, std::strlen(text)) : std::string()) + "\"";
}

// Frames of `s` actually held in its data (a short or missing block holds fewer).
uint32_t frames_held(const Sample& s) {
    if (!s.data || s.stored_elements < 2) return 0;
    return std::min(s.length, s.stored_elements - 1);
}

void print_message(std::FILE* out, const Module& m) {
    if (!m.message) {
        std::fprintf(out, "message: none\n");
        return;
    }
    std::fprintf(out, "message:\n");
    const char* line = m.message.get();
    while (*line) {
        const char* end = line;
        while (*end && *end != '\n') ++end;
        std::fprintf(out, "  | %s\n", printable(line, static_cast<size_t>(end - line)).c_str());
        line = *end ? end + 1 : end;
    }
}

void print_orders(std::FILE* out, const Module& m) {
    std::fprintf(out, "orders (%u), loop %u..%u:", m.order_count, m.loop_start, m.loop_end);
    for (uint32_t i = 0; i < m.order_count; ++i) {
        if (i % 20 == 0) std::fprintf(out, "\n ");
        std::fprintf(out, " %u", m.orders[i]);
    }
    std::fprintf(out, "\n");
}

void print_pattern(std::FILE* out, uint32_t index, const Pattern& p, const ReportOptions& options) {
    std::fprintf(out, "  pattern %u: %u rows x %u tracks, beat %u\n", index, p.row_count,
                 p.track_count, p.beat);
    const uint32_t rows = std::min(p.row_count, options.rows_shown);
    if (rows == 0) return;
    std::fprintf(out, "    row glob");
    for (uint32_t t = 0; t < p.track_count; ++t) {
        const int width = t + 1 < p.track_count ? 24 : 0;  // no trailing blanks
        std::fprintf(out, " | %-*s", width, ("track " + std::to_string(t)).c_str());
    }
    std::fprintf(out, "\n");
    for (uint32_t r = 0; r < rows; ++r) {
        std::fprintf(out, "    %3u %s", r,
                     effect_text(p.global_types ? p.global_types[r] : 0,
                                 p.global_params ? p.global_params[r] : 0)
                         .c_str());
        for (uint32_t t = 0; t < p.track_count; ++t)
            std::fprintf(out, " | %s",
                         p.cells && p.cells[t] ? cell_text(p.cells[t][r]).c_str() : "");
        std::fprintf(out, "\n");
    }
    if (rows < p.row_count) std::fprintf(out, "    ... %u more rows\n", p.row_count - rows);
}

void print_sample(std::FILE* out, uint32_t index, const Sample& s) {
    std::fprintf(out, "  %2u %-32s lib %-10s %-11s len %u", index + 1, quoted(s.name.get()).c_str(),
                 quoted(s.library_name.get()).c_str(), format_name(s.format), s.length);
    if (s.loop_end != 0)
        std::fprintf(out, ", loop %u..%u", s.loop_start, s.loop_end);
    else
        std::fprintf(out, ", no loop");
    float peak = 0.0f;
    for (uint32_t i = 0; i < s.stored_elements; ++i) peak = std::max(peak, std::fabs(s.data[i]));
    std::fprintf(out, ", rate %.0f Hz, volume %.0f, frames held %u, peak %.3f\n",
                 static_cast<double>(s.base_rate), static_cast<double>(s.volume), frames_held(s),
                 static_cast<double>(peak));
}

}  // namespace

std::string note_name(uint8_t note) {
    static const char* const kNames[] = {"C-", "C#", "D-", "D#", "E-", "F-",
                                         "F#", "G-", "G#", "A-", "A#", "B-"};
    if (note == 0) return "---";
    if (note == 255) return "===";
    if (note >= 1 && note <= 108)
        return kNames[(note - 1) % 12] + std::to_string((note - 1) / 12 + 1);
    if (note >= 129 && note <= 236) {
        int n = note - 129;
        std::string name = kNames[n % 12];
        if (name[1] == '-') name.erase(1);
        return "^" + name + std::to_string(n / 12 + 1);
    }
    return "?" + hex2(note);
}

std::string cell_text(const Cell& c) {
    std::string text = note_name(c.note);
    text += ' ';
    text += c.instrument ? hex2(c.instrument) : "..";
    text += ' ';
    text += c.volume ? hex2(c.volume) : "..";
    text += ' ' + effect_text(c.instrument_effect, c.instrument_param);
    text += ' ' + effect_text(c.note_effect, c.note_param);
    text += ' ' + effect_text(c.volume_effect, c.volume_param);
    return text;
}

void print_report(std::FILE* out, const Module& m, const ReportOptions& options) {
    std::fprintf(out, "title: %s\n", quoted(m.title).c_str());
    std::fprintf(out, "composer: %s\n", quoted(m.composer).c_str());
    std::fprintf(out, "tracker: %s, version %u\n", quoted(m.tracker_name).c_str(), m.version);
    std::fprintf(out, "created: %d-%d-%d\n", m.created.tm_year + 1900, m.created.tm_mon,
                 m.created.tm_mday);
    print_message(out, m);
    print_orders(out, m);
    std::fprintf(out, "patterns (%u), song tracks %u:\n", m.pattern_count, m.track_count);
    for (uint32_t i = 0; i < m.pattern_count; ++i) print_pattern(out, i, m.patterns[i], options);
    std::fprintf(out, "samples (%u):\n", m.samples.count());
    for (uint32_t i = 0; i < m.samples.count(); ++i)
        if (const Sample* s = m.samples.at(i)) print_sample(out, i, *s);
}

}  // namespace tarnwick::inspect
