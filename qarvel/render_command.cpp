#include "qarvel/render_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "host/settings_records.h"
#include "host/song_decoding.h"
#include "qarvel/output_file.h"
#include "qarvel/render_progress.h"
#include "qarvel/song_paths.h"

namespace qarvel_cli {
namespace {

namespace fs = std::filesystem;

// What one file's render needs from the run.
struct RenderRun {
    standin::PluginLibrary& plugin;
    const RenderOptions& options;
    AudioFormat format;
    RenderProgress& progress;
    std::mutex open_lock;  // the plug-in reads its settings at open: one open at a time
};

// One song to render, and a reason found before rendering why it is not.
struct Job {
    SongPath song;
    std::string output;
    std::string refusal;
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

// The plug-in's date ("1997-3-7") as YYYY-MM-DD; "" when it is no calendar date (a song with
// no date bytes reports 1900-0-0).
std::string calendar_date(const std::string& text) {
    int year = 0, month = 0, day = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d%c", &year, &month, &day, &rest) != 3) return "";
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) return "";
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", year, month, day);
    return buffer;
}

AudioTags tags_of(const standin::TrackReport& report) {
    AudioTags tags;
    for (const auto& [name, value] : report.tags()) {
        if (name == "TITLE") tags.title = value;
        if (name == "ARTIST") tags.artist = value;
        if (name == "DATE") tags.date = calendar_date(value);
    }
    return tags;
}

// Whether `path` (through links) is a regular file that is there.
bool regular_file_there(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// Files told apart by device and inode (through links), so that a link or a second name of a
// song is still that song. Where the system gives no inode numbers (Windows), by comparing
// paths with std::filesystem::equivalent.
class FileIdentities {
  public:
    void add(const std::string& path) {
        struct stat info {};
        if (path.empty() || stat(path.c_str(), &info) != 0) return;
        if (info.st_ino == 0) {
            by_path_.push_back(path);
        } else {
            ids_.insert({static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)});
        }
    }
    bool holds(const std::string& path) const {
        struct stat info {};
        if (stat(path.c_str(), &info) != 0) return false;
        if (ids_.count({static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)}))
            return true;
        for (const std::string& known : by_path_) {
            std::error_code ec;
            if (fs::equivalent(known, path, ec)) return true;
        }
        return false;
    }

  private:
    std::set<std::pair<uint64_t, uint64_t>> ids_;
    std::vector<std::string> by_path_;
};

Outcome render_one(RenderRun& run, size_t index, const Job& job) {
    const RenderOptions& options = run.options;
    const auto started = std::chrono::steady_clock::now();
    SongInput input(job.song.path);
    standin::ConsoleSubject subject(input.name());
    Outcome outcome;
    const auto fail = [&](const std::string& why) {
        outcome.line = input.name() + ": " + why;
        return outcome;
    };
    if (!job.refusal.empty()) return fail(job.refusal);
    if (!options.force && job.output != "-" && regular_file_there(job.output)) {
        return fail(job.output + " exists (--force overwrites it)");
    }
    std::string error;
    qarvel::HostFile* file = input.file(&error);
    if (file == nullptr) return fail(error);

    standin::OpenedSong song;
    // OPEN_INFO for the tags the output carries; it changes nothing that is rendered.
    const uint32_t flags =
        qarvel::OPEN_DECODE | qarvel::OPEN_INFO | (options.loop ? 0u : qarvel::OPEN_NO_LOOP);
    {
        std::lock_guard<std::mutex> hold(run.open_lock);
        if (!standin::open_song(run.plugin, *file, input.name(), flags, song, &error)) {
            return fail(error);
        }
    }

    if (!job.song.below_folder.empty()) {  // the song's folder below --out-dir
        std::error_code ec;
        fs::create_directories(fs::path(job.output).parent_path(), ec);
    }
    std::unique_ptr<AudioWriter> writer = make_audio_writer(run.format, options.pcm16, job.output);
    if (!writer)
        return fail("this build cannot write " + std::string(format_extension(run.format)));
    writer->set_tags(tags_of(song.report));
    uint64_t frames_written = 0;
    uint64_t frame_limit = UINT64_MAX;
    uint32_t rate = 0;
    uint32_t channels = 0;
    bool write_failed = false;
    bool interrupted = false;
    const double start = options.start.value_or(0.0);
    const double length = song.report.length_seconds();
    const standin::DecodeEnd end = standin::decode_song_from(
        *song.decoder.get(), start, [&](const standin::BlockBuffer& block) {
            if (interruption() != 0) {
                interrupted = true;
                return false;
            }
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
            if (run.format != AudioFormat::f32 && frames_written + frames > frame_limit) {
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
                run.progress.update(index, (start + done) / length);
            }
            return frames_written < frame_limit;
        });
    if (write_failed || interrupted) {
        writer->abandon();
        return fail(interrupted ? "interrupted" : error);
    }
    if (end == standin::DecodeEnd::render_error) {
        writer->abandon();
        return fail("render error after " +
                    seconds_text(start + (rate ? double(frames_written) / rate : 0)) + " s");
    }
    if (rate == 0) {
        writer->abandon();
        if (start > 0.0) {
            return fail("--start " + seconds_text(start) + " s is past the song's end (" +
                        seconds_text(length) + " s)");
        }
        return fail("the song gave no audio");
    }
    if (!writer->finish(&error)) return fail(error);
    run.progress.update(index, 1.0);

    outcome.ok = true;
    const double seconds = static_cast<double>(frames_written) / rate;
    outcome.line = input.name() + " -> " + (job.output == "-" ? "standard output" : job.output) +
                   ": " + seconds_text(seconds) + " s at " + std::to_string(rate) + " Hz";
    if (writer->clipped_samples() > 0) {
        outcome.line += ", " + std::to_string(writer->clipped_samples()) + " samples clipped";
    }
    if (verbose()) {
        const double took =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        char speed[64];
        std::snprintf(speed, sizeof speed, " (%s, %u channels; %.2f s, %.0fx real time)",
                      format_extension(run.format), channels, took,
                      took > 0.0 ? seconds / took : 0.0);
        outcome.line += speed;
    }
    return outcome;
}

// The format the options and the output's name agree on; nullopt after printing why not.
std::optional<AudioFormat> chosen_format(const RenderOptions& options) {
    AudioFormat format = options.format.value_or(AudioFormat::wav);
    const std::string& out = options.output;
    std::error_code ec;
    const bool in_place = !out.empty() && fs::exists(out, ec) && !fs::is_regular_file(out, ec) &&
                          !fs::is_directory(out, ec);  // a device or FIFO names no format
    if (!out.empty() && out != "-" && !in_place) {
        std::string extension;
        const std::optional<AudioFormat> named = format_of_name(out, &extension);
        if (!named && !extension.empty()) {
            print_error("cannot write ." + extension +
                        " files: the output's extension chooses the format (.wav, .flac, .f32 "
                        "or .raw)");
            return std::nullopt;
        }
        if (named && options.format && *named != *options.format) {
            print_error("-o " + out + " names a ." + extension + " file, but --format says " +
                        format_extension(*options.format));
            return std::nullopt;
        }
        if (named) format = *named;
    }
    if (format == AudioFormat::flac && !flac_available()) {
        print_error("FLAC output is not available in this build (wav or f32)");
        return std::nullopt;
    }
    if (options.pcm16 && format == AudioFormat::f32) {
        print_error("--pcm16 applies to wav and flac only");
        return std::nullopt;
    }
    return format;
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
    const fs::path input(input_name);
    fs::path out = fs::path(directory.empty() ? "." : directory) / input.stem();
    out += std::string(".") + format_extension(format);
    return out.string();
}

int run_render(const HostChoice& host, const RenderOptions& options) {
    std::vector<std::string> problems;
    const std::vector<SongPath> songs = find_songs(options.files, &problems);
    for (const std::string& p : problems) print_error(p);
    if (songs.empty()) {
        if (problems.empty()) print_error("no .dmf songs found");
        return kExitFailed;
    }
    if (!options.output.empty() && songs.size() > 1) {
        print_error("-o names one output, and " + std::to_string(songs.size()) +
                    " songs were given: use --out-dir for several");
        return kExitUsage;
    }
    if (options.loop && !options.seconds) {
        print_error("--loop plays forever: give --seconds too");
        return kExitUsage;
    }
    const std::optional<AudioFormat> format = chosen_format(options);
    if (!format) return kExitUsage;
    if (options.output == "-" && isatty(STDOUT_FILENO)) {
        print_error(
            "standard output is a terminal: audio is not written to it (redirect it, or "
            "give -o FILE)");
        return kExitUsage;
    }
    if (!options.out_dir.empty()) {
        std::error_code ec;
        if (fs::exists(options.out_dir, ec) && !fs::is_directory(options.out_dir, ec)) {
            print_error("--out-dir " + options.out_dir + " is not a folder");
            return kExitUsage;
        }
        if (!fs::exists(options.out_dir, ec)) {
            if (!fs::create_directories(options.out_dir, ec)) {
                print_error("cannot create the folder " + options.out_dir + ": " + ec.message());
                return kExitFailed;
            }
            print_detail("created the folder " + options.out_dir);
        }
    }

    std::unique_ptr<standin::PluginLibrary> plugin = load_plugin(host);
    if (!plugin) return kExitFailed;
    const std::vector<uint8_t> overrides = option_settings(options);
    if (!overrides.empty()) plugin->load_settings(overrides);
    if (verbose()) {
        std::string in_force = "settings in force:";
        for (const auto& [name, value] : standin::parse_settings_records(plugin->save_settings()))
            in_force += " " + name + "=" + std::to_string(value);
        print_detail(in_force);
    }

    // Each song's output, and what is refused before anything is written: an output that is
    // an input, and two songs that would write the same file.
    FileIdentities inputs;
    for (const SongPath& song : songs) inputs.add(song.path);
    std::vector<Job> jobs;
    std::map<std::string, std::string> taken;  // output (resolved) -> the song writing it
    for (const SongPath& song : songs) {
        Job job{song, options.output, ""};
        if (job.output.empty()) {
            const std::string name = SongInput(song.path).name();
            const fs::path below = fs::path(song.below_folder).parent_path();
            const std::string folder =
                below.empty()
                    ? options.out_dir
                    : (fs::path(options.out_dir.empty() ? "." : options.out_dir) / below).string();
            job.output = output_name(name, folder, *format);
        }
        if (job.output != "-") {
            std::error_code ec;
            const std::string key = fs::weakly_canonical(job.output, ec).string();
            if (inputs.holds(job.output)) {
                job.refusal =
                    "the output " + job.output + " is a song being read: it is never overwritten";
            } else if (!taken.emplace(ec ? job.output : key, song.path).second) {
                job.refusal = "another song writes the same output " + job.output;
            }
        }
        jobs.push_back(std::move(job));
    }

    install_interrupt_cleanup();
    RenderProgress progress(jobs.size(), !quiet() && isatty(STDERR_FILENO) != 0);
    RenderRun run{*plugin, options, *format, progress, {}};
    std::vector<Outcome> outcomes(jobs.size());
    std::atomic<size_t> next{0};
    const auto worker = [&]() {
        for (size_t i = next++; i < jobs.size() && interruption() == 0; i = next++) {
            try {  // the writer's destructor has removed its partial file by the time this catches
                outcomes[i] = render_one(run, i, jobs[i]);
            } catch (const std::exception& e) {
                outcomes[i].line = SongInput(jobs[i].song.path).name() + ": " + e.what();
            }
            if (!outcomes[i].ok || !quiet()) progress.print_line("qarvel: " + outcomes[i].line);
        }
    };
    const unsigned threads_wanted =
        std::max(1u, std::min<unsigned>(options.jobs, static_cast<unsigned>(jobs.size())));
    std::vector<std::thread> threads;
    for (unsigned j = 1; j < threads_wanted; ++j) threads.emplace_back(worker);
    worker();
    for (std::thread& t : threads) t.join();
    if (interruption() != 0) return 128 + interruption();

    size_t failed = 0;
    for (const Outcome& o : outcomes) failed += o.ok ? 0 : 1;
    if (jobs.size() > 1 && !quiet()) {
        progress.print_line("qarvel: rendered " + std::to_string(jobs.size() - failed) + " of " +
                            std::to_string(jobs.size()) + " files" +
                            (failed ? ", " + std::to_string(failed) + " failed" : ""));
    }
    return failed == 0 && problems.empty() ? kExitOk : kExitFailed;
}

}  // namespace qarvel_cli
