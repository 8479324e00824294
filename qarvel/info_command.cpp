#include "qarvel/info_command.h"

#include <cstdio>

#include "host/song_decoding.h"
#include "qarvel/json_text.h"

namespace qarvel_cli {
namespace {

std::string json_pairs(const standin::TrackReport::Fields& fields) {
    std::string out = "[";
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += ", ";
        out += "[" + json_string(fields[i].first) + ", " + json_string(fields[i].second) + "]";
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
    std::vector<std::string> files = options.files;
    if (files.empty()) files.push_back("");

    int status = kExitOk;
    for (const std::string& path : files) {
        SongInput input(path);
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
                        json_pairs(report.tags()).c_str(), json_pairs(report.technical()).c_str());
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
