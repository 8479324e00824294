#pragma once
// `qarvel render`: each song opened with OPEN_DECODE (and OPEN_NO_LOOP unless looping), decoded
// to its end (from --start, decoding forward) and written to an audio file. Options that change
// a setting reach the plug-in as stored settings records, loaded after the settings file, for
// this run only.
//
// What is refused, and how:
// - Usage errors (exit 1), before anything is written: a format that the output's extension
//   contradicts or an extension no writer takes; -o with several songs; audio for standard
//   output when it is a terminal; --out-dir naming something other than a folder.
// - A song's own refusals (exit 2, one line each, the other songs still rendered): an output
//   that is the same file as any input (through links too), whatever --force says; an existing
//   regular file without --force; two songs writing one output; a --start past the song's end.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "qarvel/audio_writer.h"
#include "qarvel/qarvel_common.h"

namespace qarvel_cli {

struct RenderOptions {
    std::vector<std::string> files;     // files and folders; none: the embedded demo song
    std::string output;                 // -o: one output file, "-" for standard output
    std::string out_dir;                // --out-dir: the folder for outputs named after inputs
    std::optional<AudioFormat> format;  // --format; else the -o name's extension, else WAV
    bool pcm16 = false;
    std::optional<int32_t> rate;         // "srate"
    std::optional<int32_t> mode;         // "rsmode"
    std::optional<double> volume;        // "vol" / 1000
    std::optional<int32_t> ramp_length;  // "ramplen"
    bool loop = false;                   // "loop" 1, and no OPEN_NO_LOOP
    std::optional<double> seconds;       // stop after this much audio
    std::optional<double> start;         // begin this far into the song
    bool force = false;
    unsigned jobs = 1;
};

// The settings records that the options stand for (empty when none is given).
std::vector<uint8_t> option_settings(const RenderOptions& options);

// The output for `input_name`: `directory`/<name without extension>.<format's extension>.
std::string output_name(const std::string& input_name, const std::string& directory,
                        AudioFormat format);

// Returns the exit status.
int run_render(const HostChoice& host, const RenderOptions& options);

}  // namespace qarvel_cli
