#pragma once
// What an open with OPEN_INFO tells the host about a song: its texts as tags and a few numbers
// as technical fields, in a fixed order.
//
// Tags: "TITLE", "ARTIST", "TRACKER_NAME", "DATE" (year-month-day as stored, no leading
// zeros), "COMMENT" (only for a song with a message; its lines end in CR LF), then "SMPL"nn
// for every sample that has a name and "LIBR"nn for every sample that has a library name (nn:
// the sample index, a "0" before indices below 10). Technical fields follow: "channels",
// "samplerate", "codec", "mod_channels", "Patterns", "Orders".
//
// Limits and choices:
// - Song texts are code page 437 and go to the host as UTF-8. Fixed-width header texts are read
//   up to their NUL but never past their field.
// - Every text is built for one call and freed when it returns: the host copies what it keeps.
// - When memory for a value runs out, the host receives what could be built (possibly "");
//   when memory for a sample's key runs out, that sample's tag is skipped. Nothing fails.

#include <cstdint>

#include "qarvel/plugin_abi.h"
#include "shell/text_builder.h"

namespace tarnwick {

struct Module;

// Reports the tags, then the technical fields, of `module` into `info`. `sample_rate_setting`
// is "srate" as read by this open, shown as stored (a negative value with its minus sign).
void report_track_info(const Module& module, int32_t sample_rate_setting,
                       qarvel::HostTrackInfo& info);

// The key of sample `index` under `prefix` ("SMPL" or "LIBR"): SMPL00 ... SMPL09, SMPL10, ...
TextBuilder sample_key(const char* prefix, uint32_t index);

// A message (code page 437, lines ending in LF) as UTF-8 with every line ending in CR LF.
TextBuilder comment_text(const char* message);

}  // namespace tarnwick
