#pragma once
// Where the stand-in host keeps the plug-in's settings between runs: one file holding exactly
// the bytes the plug-in saved, $XDG_CONFIG_HOME/qarvel/tarnwick.settings (or
// ~/.config/qarvel/tarnwick.settings). A missing or unreadable file reads as no bytes; the
// plug-in's own load rules deal with anything the file holds. Only a regular file is read,
// replaced or removed: a folder, a FIFO or a device at the path reads as no bytes and is never
// replaced or removed.

#include <cstdint>
#include <string>
#include <vector>

namespace standin {

// The default settings file; "" when neither XDG_CONFIG_HOME nor HOME is set.
std::string default_settings_path();

// The file's bytes (at most 1 MiB are read: settings are a few dozen bytes), or none.
std::vector<uint8_t> read_settings_file(const std::string& path);

// Replaces the file with `bytes` (creating its folder); false with the reason in `error`, also
// when the path names something other than a regular file.
bool write_settings_file(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* error);

// Removes the file; a file that is not there is not an error, anything other than a regular
// file is (and stays).
bool remove_settings_file(const std::string& path, std::string* error);

}  // namespace standin
