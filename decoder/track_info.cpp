#include "decoder/track_info.h"

#include "loader/module.h"
#include "shell/cp437.h"
#include "shell/host_call.h"

namespace tarnwick {
namespace {

constexpr uint32_t kTmYearBase = 1900;

TARNWICK_CALLS_HOST void report_tag(qarvel::HostTrackInfo& info, const char* key,
                                    const TextBuilder& value) {
    info.set_tag(key, value.text());
}

// A sample's tag, skipped when memory for its key ran out: a value under a cut or empty key
// would be misfiled.
TARNWICK_CALLS_HOST void report_sample_tag(qarvel::HostTrackInfo& info, const char* prefix,
                                           uint32_t index, const char* value) {
    const TextBuilder key = sample_key(prefix, index);
    if (key.out_of_memory()) return;
    info.set_tag(key.text(), text_from_cp437(value).text());
}

TARNWICK_CALLS_HOST void report_technical(qarvel::HostTrackInfo& info, const char* key,
                                          int64_t value) {
    TextBuilder text;
    text.append_integer(value);
    info.set_technical(key, text.text());
}

}  // namespace

TextBuilder sample_key(const char* prefix, uint32_t index) {
    TextBuilder key;
    key.format_text("%s%s%u", prefix, index < 10 ? "0" : "", index);
    return key;
}

TextBuilder comment_text(const char* message) {
    TextBuilder text = text_from_cp437(message);
    constexpr char kCarriageReturn = '\r';
    uint32_t at = text.find('\n', 0);
    while (at != kNotFound) {
        if (!text.insert(at, &kCarriageReturn, 1)) break;  // out of memory: keep what there is
        at = text.find('\n', static_cast<int64_t>(at) + 2);
    }
    return text;
}

TARNWICK_CALLS_HOST void report_track_info(const Module& module, int32_t sample_rate_setting,
                                           qarvel::HostTrackInfo& info) {
    report_tag(info, "TITLE", text_from_cp437(module.title, sizeof module.title));
    report_tag(info, "ARTIST", text_from_cp437(module.composer, sizeof module.composer));
    report_tag(info, "TRACKER_NAME",
               text_from_cp437(module.tracker_name, sizeof module.tracker_name));

    // The date fields hold the header's bytes as stored; the year counts from 1900.
    TextBuilder date;
    date.format_text("%u-%u-%u", static_cast<uint32_t>(kTmYearBase + module.created.tm_year),
                     static_cast<uint32_t>(module.created.tm_mon),
                     static_cast<uint32_t>(module.created.tm_mday));
    report_tag(info, "DATE", date);

    if (module.message) report_tag(info, "COMMENT", comment_text(module.message.get()));

    const uint32_t sample_count = module.samples.count();
    for (uint32_t i = 0; i < sample_count; ++i) {
        const Sample* sample = module.samples.at(i);
        if (sample == nullptr || !sample->name) continue;
        report_sample_tag(info, "SMPL", i, sample->name.get());
    }
    for (uint32_t i = 0; i < sample_count; ++i) {
        const Sample* sample = module.samples.at(i);
        if (sample == nullptr || !sample->library_name) continue;
        report_sample_tag(info, "LIBR", i, sample->library_name.get());
    }

    info.set_technical("channels", "2");
    report_technical(info, "samplerate", sample_rate_setting);
    TextBuilder codec("DMF v. ");
    codec.append_integer(module.version);
    info.set_technical("codec", codec.text());
    report_technical(info, "mod_channels", module.track_count);
    report_technical(info, "Patterns", module.pattern_count);
    report_technical(info, "Orders", module.order_count);
}

}  // namespace tarnwick
