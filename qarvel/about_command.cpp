#include "qarvel/about_command.h"

#include <cstdio>
#include <memory>

namespace qarvel_cli {

int run_about(const HostChoice& host) {
    std::unique_ptr<standin::PluginLibrary> plugin = load_plugin(host);
    if (!plugin) return kExitFailed;
    standin::ServiceRef<qarvel::ComponentVersion> version = plugin->component_version();
    if (!version) {
        print_error("the plug-in has no component-version service");
        return kExitFailed;
    }
    standin::TextResult name, number, about, file;
    version->name(&name);
    version->version(&number);
    version->about(&about);
    version->file_name(&file);
    std::printf("%s %s\n%s\n\nfile: %s\n", name.str().c_str(), number.str().c_str(),
                about.str().c_str(), file.str().c_str());
    return kExitOk;
}

}  // namespace qarvel_cli
