#include "qarvel/info_command.h"

#include <cstdio>

#include "host/song_decoding.h"
#include "qarvel/json_text.h"
#include "qarvel/song_paths.h"

namespace qarvel_cli {
namespace {

// Name and value pairs in the plug-in's order; with `numbers`, a value that is a whole decimal
// number is written as a JSON number.
std::string json_pairs(const standin::TrackReport::Fields& fields, bool numbers) {
    std::string out = "[";
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += ", ";
        const std::string& value = fields[i].second;
        out += "[" + json_string(fields[i].first) + ", " +
               (numbers && is_json_integer(value) ? value : json_string(value)) + "]";
    }
    return out + "]";
}

// A value on the lines after its key when it has several lines, indented.
void print_field(const std::string& key, const std::string& value) {
    std::string shown;
    for (char c : value) {
        if (c == '\r') continue;  // song messages end their lines with CR LF
        shown += c;
        if (c == '\n') shown += "        ";
    }
    std::printf("    %s: %s\n", key.c_str(), shown.c_str());
}

}  // namespace

int run_info(const HostChoice& host, const InfoOptions& options) {
    std::unique_ptr<standin::PluginLibrary> plugin = load_plugin(host);
    if (!plugin) return kExitFailed;
    std::vector<std::string> problems;
    const std::vector<std::string> files = expand_song_inputs(options.files, &problems);
    for (const std::string& p : problems) print_error(p);
    if (files.empty() && problems.empty()) print_error("no .dmf songs found");

    int status = problems.empty() && !files.empty() ? kExitOk : kExitFailed;
    for (const std::string& path : files) {
        SongInput input(path);
        standin::ConsoleSubject subject(input.name());
        std::string error;
        standin::OpenedSong song;
        qarvel::HostFile* file = input.file(&error);
        const bool opened = file != nullptr && standin::open_song(*plugin, *file, input.name(),
                                                                  qarvel::OPEN_INFO, song, &error);
        if (!opened) {
            status = kExitFailed;
            if (options.json) {
                std::printf("{\"file\": %s, \"error\": %s}\n", json_string(input.name()).c_str(),
                            json_string(error).c_str());
            } else {
                print_error(input.name() + ": " + error);
            }
            continue;
        }
        const standin::TrackReport& report = song.report;
        if (options.json) {
            std::printf("{\"file\": %s, \"length_seconds\": %s, \"tags\": %s, \"technical\": %s}\n",
                        json_string(input.name()).c_str(),
                        json_number(report.length_seconds()).c_str(),
                        json_pairs(report.tags(), false).c_str(),
                        json_pairs(report.technical(), true).c_str());
        } else {
            std::printf("%s\n", input.name().c_str());
            std::printf("  length: %s seconds\n", json_number(report.length_seconds()).c_str());
            std::printf("  tags:\n");
            for (const auto& [key, value] : report.tags()) print_field(key, value);
            std::printf("  technical:\n");
            for (const auto& [key, value] : report.technical()) print_field(key, value);
        }
        std::fflush(stdout);
    }
    return status;
}

}  // namespace qarvel_cli
