#include "qarvel/render_command.h"

#include <unistd.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "host/settings_records.h"
#include "host/song_decoding.h"
#include "qarvel/json_text.h"
#include "qarvel/render_progress.h"

namespace qarvel_cli {
namespace {

// What one file's render needs from the run.
struct RenderRun {
    standin::PluginLibrary& plugin;
    const RenderOptions& options;
    RenderProgress& progress;
    std::mutex open_lock;  // the plug-in reads its settings at open: one open at a time
};

struct Outcome {
    bool ok = false;
    std::string line;
};

std::string seconds_text(double seconds) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", seconds);
    return buffer;
}

Outcome render_one(RenderRun& run, size_t index, const std::string& path,
                   const std::string& output) {
    const RenderOptions& options = run.options;
    SongInput input(path);
    Outcome outcome;
    const auto fail = [&](const std::string& why) {
        outcome.line = input.name() + ": " + why;
        return outcome;
    };
    std::error_code ec;
    if (!options.force && output != "-" && std::filesystem::exists(output, ec)) {
        return fail(output + " exists (--force overwrites it)");
    }
    std::string error;
    qarvel::HostFile* file = input.file(&error);
    if (file == nullptr) return fail(error);

    standin::OpenedSong song;
    const uint32_t flags = qarvel::OPEN_DECODE | (options.loop ? 0u : qarvel::OPEN_NO_LOOP);
    {
        std::lock_guard<std::mutex> hold(run.open_lock);
        if (!standin::open_song(run.plugin, *file, input.name(), flags, song, &error)) {
            return fail(error);
        }
    }

    std::unique_ptr<AudioWriter> writer = make_audio_writer(options.format, options.pcm16, output);
    uint64_t frames_written = 0;
    uint64_t frame_limit = UINT64_MAX;
    uint32_t rate = 0;
    uint32_t channels = 0;
    bool write_failed = false;
    const double length = song.report.length_seconds();
    const standin::DecodeEnd end =
        standin::decode_song(*song.decoder.get(), [&](const standin::BlockBuffer& block) {
            if (rate == 0) {
                rate = block.sample_rate();
                channels = block.channels();
                if (rate == 0 || !writer->begin(rate, channels, &error)) {
                    if (rate == 0) error = "the plug-in delivered audio without a sample rate";
                    write_failed = true;
                    return false;
                }
                if (options.seconds) {
                    frame_limit = static_cast<uint64_t>(std::llround(*options.seconds * rate));
                }
            }
            if (block.sample_rate() != rate || block.channels() != channels) {
                error = "the plug-in changed the sample rate or channels mid-song";
                write_failed = true;
                return false;
            }
            uint32_t frames = block.frames();
            // Raw output keeps every delivered block whole; the others stop exactly.
            if (options.format != AudioFormat::f32 && frames_written + frames > frame_limit) {
                frames = static_cast<uint32_t>(frame_limit - frames_written);
            }
            if (!writer->write(block.samples(), frames, &error)) {
                write_failed = true;
                return false;
            }
            frames_written += frames;
            const double done = static_cast<double>(frames_written) / rate;
            if (options.seconds) {
                run.progress.update(index, done / *options.seconds);
            } else if (length > 0.0) {
                run.progress.update(index, done / length);
            }
            return frames_written < frame_limit;
        });
    if (write_failed) {
        writer->abandon();
        return fail(error);
    }
    if (end == standin::DecodeEnd::render_error) {
        writer->abandon();
        return fail("render error after " + seconds_text(rate ? double(frames_written) / rate : 0) +
                    " s");
    }
    if (rate == 0) {
        writer->abandon();
        return fail("the song gave no audio");
    }
    if (!writer->finish(&error)) return fail(error);
    run.progress.update(index, 1.0);

    outcome.ok = true;
    outcome.line = input.name() + " -> " + (output == "-" ? "standard output" : output) + ": " +
                   seconds_text(static_cast<double>(frames_written) / rate) + " s at " +
                   std::to_string(rate) + " Hz";
    if (writer->clipped_samples() > 0) {
        outcome.line += ", " + std::to_string(writer->clipped_samples()) + " samples clipped";
    }
    return outcome;
}

}  // namespace

std::vector<uint8_t> option_settings(const RenderOptions& options) {
    std::vector<uint8_t> bytes;
    if (options.rate) standin::append_settings_record(bytes, "srate", *options.rate);
    if (options.mode) standin::append_settings_record(bytes, "rsmode", *options.mode);
    if (options.volume) {
        standin::append_settings_record(
            bytes, "vol", static_cast<int32_t>(std::llround(*options.volume * 1000.0)));
    }
    if (options.ramp_length)
        standin::append_settings_record(bytes, "ramplen", *options.ramp_length);
    if (options.loop) standin::append_settings_record(bytes, "loop", 1);
    return bytes;
}

std::string output_name(const std::string& input_name, const std::string& directory,
                        AudioFormat format) {
    const std::filesystem::path input(input_name);
    std::filesystem::path out =
        std::filesystem::path(directory.empty() ? "." : directory) / input.stem();
    out += std::string(".") + format_extension(format);
    return out.string();
}

int run_render(const HostChoice& host, const RenderOptions& options) {
    std::vector<std::string> files = options.files;
    if (files.empty()) files.push_back("");
    if (!options.output.empty() && files.size() > 1) {
        print_error("-o names one output: use --out-dir for several files");
        return kExitUsage;
    }
    if (options.loop && !options.seconds) {
        print_error("--loop plays forever: give --seconds too");
        return kExitUsage;
    }

    std::unique_ptr<standin::PluginLibrary> plugin = load_plugin(host);
    if (!plugin) return kExitFailed;
    const std::vector<uint8_t> overrides = option_settings(options);
    if (!overrides.empty()) plugin->load_settings(overrides);

    // Each input's output; two inputs that would write the same file are refused up front.
    std::vector<std::string> outputs;
    std::set<std::string> taken;
    for (const std::string& path : files) {
        const SongInput input(path);
        std::string out = !options.output.empty()
                              ? options.output
                              : output_name(input.name(), options.out_dir, options.format);
        outputs.push_back(taken.insert(out).second ? out : "");
    }

    RenderProgress progress(files.size(), isatty(STDERR_FILENO) != 0);
    RenderRun run{*plugin, options, progress, {}};
    std::vector<Outcome> outcomes(files.size());
    std::atomic<size_t> next{0};
    const auto worker = [&]() {
        for (size_t i = next++; i < files.size(); i = next++) {
            if (outputs[i].empty()) {
                outcomes[i].line =
                    SongInput(files[i]).name() + ": another input writes the same output";
            } else {
                outcomes[i] = render_one(run, i, files[i], outputs[i]);
            }
            progress.print_line(outcomes[i].line);
        }
    };
    const unsigned jobs = std::max(1u, std::min<unsigned>(options.jobs, files.size()));
    std::vector<std::thread> threads;
    for (unsigned j = 1; j < jobs; ++j) threads.emplace_back(worker);
    worker();
    for (std::thread& t : threads) t.join();

    size_t failed = 0;
    for (const Outcome& o : outcomes) failed += o.ok ? 0 : 1;
    if (files.size() > 1) {
        progress.print_line("rendered " + std::to_string(files.size() - failed) + " of " +
                            std::to_string(files.size()) + " files" +
                            (failed ? ", " + std::to_string(failed) + " failed" : ""));
    }
    return failed == 0 ? kExitOk : kExitFailed;
}

}  // namespace qarvel_cli
