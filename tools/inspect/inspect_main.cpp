// tarnwick-inspect: loads a DMF file (or the embedded demo song) and prints its structure.
//
//     tarnwick-inspect [--rows N|all] [FILE]   print the song; exit 1 when it is refused
//     tarnwick-inspect --write-demo OUT.dmf    write the demo song to a file
//
// A stand-in for the real command line: it reads the song model directly.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "demo/demo_song.h"
#include "demo/demo_song_bytes.h"
#include "loader/module.h"
#include "tools/inspect/module_report.h"

namespace {

constexpr const char* kUsage =
    "usage: tarnwick-inspect [--rows N|all] [FILE]\n"
    "       tarnwick-inspect --write-demo OUT.dmf\n"
    "Prints the structure of a DMF song; without FILE, of the embedded demo song.\n";

struct FileImage {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
};

// Reads a whole file; false (with a message) when it cannot.
bool read_file(const char* path, FileImage& image) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        std::fprintf(stderr, "tarnwick-inspect: cannot open %s\n", path);
        return false;
    }
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        image.size = static_cast<size_t>(size);
        image.bytes.reset(new (std::nothrow) uint8_t[image.size ? image.size : 1]);
        ok = image.bytes && std::fread(image.bytes.get(), 1, image.size, f) == image.size;
    }
    std::fclose(f);
    if (!ok) std::fprintf(stderr, "tarnwick-inspect: cannot read %s\n", path);
    return ok;
}

int write_demo(const char* path) {
    tarnwick::writer::Bytes image = tarnwick::demo::demo_song_image();
    if (!tarnwick::writer::write_image_file(image, path)) {
        std::fprintf(stderr, "tarnwick-inspect: cannot write %s\n", path);
        return 1;
    }
    std::printf("wrote the demo song to %s (%zu bytes)\n", path, image.size());
    return 0;
}

int inspect(const char* name, const uint8_t* bytes, size_t size,
            const tarnwick::inspect::ReportOptions& options) {
    std::printf("file: %s (%zu bytes)\n", name, size);
    tarnwick::Module module;
    tarnwick::LoadRefusal reason = module.load_module_explained(bytes, size);
    if (reason != tarnwick::LoadRefusal::none) {
        std::printf("refused: %s\n", tarnwick::to_string(reason));
        return 1;
    }
    tarnwick::inspect::print_report(stdout, module, options);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    tarnwick::inspect::ReportOptions options;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--write-demo" && i + 1 < argc && argc == 3) return write_demo(argv[i + 1]);
        if (arg == "--rows" && i + 1 < argc) {
            const std::string value = argv[++i];
            char* end = nullptr;
            unsigned long rows = std::strtoul(value.c_str(), &end, 10);
            if (value == "all") {
                options.rows_shown = UINT32_MAX;
            } else if (!value.empty() && *end == '\0' && rows <= UINT32_MAX) {
                options.rows_shown = static_cast<uint32_t>(rows);
            } else {
                std::fputs(kUsage, stderr);
                return 2;
            }
            continue;
        }
        if (arg.rfind("--", 0) == 0 || path) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        path = argv[i];
    }

    if (!path) {
        return inspect("embedded demo song", tarnwick::demo::kDemoSong,
                       tarnwick::demo::kDemoSongSize, options);
    }
    FileImage image;
    if (!read_file(path, image)) return 1;
    return inspect(path, image.bytes.get(), image.size, options);
}
