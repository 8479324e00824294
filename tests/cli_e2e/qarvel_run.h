#pragma once
// Runs the built qarvel in a scratch folder of its own (its settings file inside it) and
// collects its exit status, standard output and standard error.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "dmf_writer/dmf_writer.h"

namespace tarnwick::cli_test {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
    // The lines of standard error.
    std::vector<std::string> err_lines() const {
        std::vector<std::string> lines;
        std::istringstream in(err);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

inline std::string read_text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<float> read_floats(const std::string& bytes) {
    std::vector<float> out(bytes.size() / sizeof(float));
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(float));
    return out;
}

class Scratch {
  public:
    Scratch() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qarvel-e2e-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& dir() const { return dir_; }
    std::filesystem::path path(const std::string& name) const { return dir_ / name; }
    std::string settings_file() const {
        return (dir_ / "config/qarvel/tarnwick.settings").string();
    }

    // Writes a song (or any bytes) into the folder and returns its name.
    std::string put(const std::string& name, const writer::Bytes& bytes) const {
        std::ofstream out(path(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return name;
    }

    // Runs qarvel with `args` in the folder, with XDG_CONFIG_HOME inside it.
    RunResult run(const std::vector<std::string>& args) const {
        // A qarvel that waits on something fails the test here instead of hanging it.
        std::string command = "cd " + quote(dir_.string()) +
                              " && XDG_CONFIG_HOME=" + quote((dir_ / "config").string()) +
                              " timeout 120 " + quote(TARNWICK_QARVEL_PATH);
        for (const std::string& a : args) command += " " + quote(a);
        command += " >" + quote(path(".stdout").string()) + " 2>" + quote(path(".stderr").string());
        RunResult result;
        const int raw = std::system(command.c_str());
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = read_text(path(".stdout"));
        result.err = read_text(path(".stderr"));
        return result;
    }

  private:
    static std::string quote(const std::string& s) {
        std::string out = "'";
        for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return out + "'";
    }
    std::filesystem::path dir_;
};

}  // namespace tarnwick::cli_test
