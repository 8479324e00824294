#pragma once
// Where the stand-in host finds a plug-in edition when it is not given a path: relative to
// its own executable, which sits in <build folder>/qarvel/. The folder's own edition is
// <build folder>/libqrv_tarnwick.so; another edition is looked for in the sibling build folder
// named after it (build/vanilla, build/sse), then in the copy a build folder makes of the
// other edition (<build folder>/plugin/other_edition/).

#include <string>

namespace standin {

// The folder holding the running executable, or "" when /proc/self/exe cannot be read.
std::string executable_folder();

// The library of `edition` ("" for the build folder's own, `own_edition` names it); the first
// candidate that exists, or the first candidate when none does (so that the error names it).
std::string default_plugin_path(const std::string& edition, const std::string& own_edition);

}  // namespace standin
