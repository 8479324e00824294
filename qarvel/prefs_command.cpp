#include "qarvel/prefs_command.h"

#include <strings.h>

#include <cstdio>

#include "host/settings_records.h"
#include "host/settings_store.h"
#include "textbridge/textbridge.h"
#if defined(_WIN32)
#include "qarvel/preferences_window.h"
#endif

namespace qarvel_cli {
namespace {

// The page's controls, as its dialog resource numbers them.
constexpr int32_t kSampleRateCombo = 1001;
constexpr int32_t kVolumeTrackbar = 1003;
constexpr int32_t kVolumeEdit = 1004;
constexpr int32_t kResampleCombo = 1005;
constexpr int32_t kRampCombo = 1007;
constexpr int32_t kLoopCheckBox = 1008;

struct KeyControl {
    const char* key;
    int32_t control;
};
constexpr KeyControl kKeys[] = {{"srate", kSampleRateCombo},
                                {"rsmode", kResampleCombo},
                                {"vol", kVolumeEdit},
                                {"ramplen", kRampCombo},
                                {"loop", kLoopCheckBox}};

// The page shown in a frame of its own, destroyed with the object.
class ShownPage {
  public:
    explicit ShownPage(standin::PluginLibrary& plugin) {
        frame_ = tb_create_frame("qarvel preferences");
        standin::ServiceRef<qarvel::PreferencesPage> service = plugin.preferences_page();
        if (service && frame_ != nullptr) page_ = service->create_page(frame_);
    }
    ~ShownPage() { tb_destroy_window(frame_); }
    tb_hwnd frame() const { return frame_; }
    tb_hwnd page() const { return page_; }

  private:
    tb_hwnd frame_ = nullptr;
    tb_hwnd page_ = nullptr;
};

std::string quoted(const char* text) {
    return std::string("\"") + (text != nullptr ? text : "") + "\"";
}

std::string control_line(tb_hwnd control) {
    const std::string kind = tb_window_class(control) != nullptr ? tb_window_class(control) : "";
    const auto id = static_cast<int32_t>(uGetWindowLong(control, GWL_ID));
    const auto style = static_cast<uint32_t>(uGetWindowLong(control, GWL_STYLE));
    const char* text = tb_window_text(control);
    std::string line = "[" + std::to_string(id) + "] ";
    const auto is = [&kind](const char* name) { return strcasecmp(kind.c_str(), name) == 0; };
    if (is(TB_CLASS_COMBOBOX)) {
        const auto selected = tb_send_message(control, CB_GETCURSEL, 0, 0);
        const char* chosen =
            selected >= 0 ? tb_combo_entry(control, static_cast<uint32_t>(selected)) : nullptr;
        line +=
            "combo box: " + (chosen != nullptr ? quoted(chosen) : std::string("(none)")) + " of";
        for (uint32_t i = 0; tb_combo_entry(control, i) != nullptr; ++i) {
            line += (i == 0 ? " " : ", ") + quoted(tb_combo_entry(control, i));
        }
    } else if (is(TB_CLASS_EDIT)) {
        line += "edit box: " + quoted(text);
    } else if (is(TB_CLASS_TRACKBAR)) {
        line += "trackbar: " + std::to_string(tb_send_message(control, TBM_GETPOS, 0, 0)) + " (" +
                std::to_string(tb_send_message(control, TBM_GETRANGEMIN, 0, 0)) + " to " +
                std::to_string(tb_send_message(control, TBM_GETRANGEMAX, 0, 0)) + ")";
    } else if (is(TB_CLASS_BUTTON) && (style & BS_TYPEMASK) == BS_GROUPBOX) {
        line += "group box: " + quoted(text);
    } else if (is(TB_CLASS_BUTTON)) {
        const bool checked = tb_send_message(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        line += "check box: " + quoted(text) + (checked ? " on" : " off");
    } else if (is(TB_CLASS_STATIC)) {
        line += "text: " + quoted(text);
    } else {
        line += kind + ": " + quoted(text);
    }
    return line;
}

void show(tb_hwnd page, standin::PluginLibrary& plugin, const std::string& stored_at) {
    std::printf("preferences page (settings file: %s)\n", stored_at.c_str());
    for (uint32_t i = 0; i < tb_child_count(page); ++i) {
        std::printf("  %s\n", control_line(tb_child_at(page, i)).c_str());
    }
    std::printf("settings:");
    for (const auto& [name, value] : standin::parse_settings_records(plugin.save_settings())) {
        std::printf(" %s=%d", name.c_str(), value);
    }
    std::printf("\n");
}

// Picks the combo entry reading `value`; false (after listing the entries) when none does.
bool pick(tb_hwnd combo, const std::string& key, const std::string& value) {
    for (uint32_t i = 0; tb_combo_entry(combo, i) != nullptr; ++i) {
        if (value == tb_combo_entry(combo, i)) return tb_user_pick(combo, i) != 0;
    }
    std::string choices;
    for (uint32_t i = 0; tb_combo_entry(combo, i) != nullptr; ++i) {
        choices += (i == 0 ? "" : ", ") + quoted(tb_combo_entry(combo, i));
    }
    print_error(key + " has no entry \"" + value + "\"; the page offers " + choices);
    return false;
}

// Acts on the page as a user would; the exit status.
int act(tb_hwnd page, const PrefsOptions& options) {
    if (options.action == PrefsOptions::Action::slide) {
        if (options.key != "vol") {
            print_error("only vol has a slider");
            return kExitUsage;
        }
        return tb_user_drag(GetDlgItem(page, kVolumeTrackbar), options.slide_position) != 0
                   ? kExitOk
                   : kExitFailed;
    }
    int32_t control = 0;
    for (const KeyControl& k : kKeys) {
        if (options.key == k.key) control = k.control;
    }
    tb_hwnd window = GetDlgItem(page, control);
    switch (control) {
        case kSampleRateCombo:
        case kResampleCombo:
        case kRampCombo:
            return pick(window, options.key, options.value) ? kExitOk : kExitUsage;
        case kVolumeEdit:
            tb_user_clear(window);
            if (tb_user_type(window, options.value.c_str()) !=
                static_cast<int32_t>(options.value.size())) {
                print_error("the volume box takes at most 4 characters, as typed: \"" +
                            options.value + "\" was cut");
            }
            return kExitOk;
        case kLoopCheckBox: {
            if (options.value != "on" && options.value != "off") {
                print_error("loop takes on or off");
                return kExitUsage;
            }
            const bool checked = tb_send_message(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
            if (checked != (options.value == "on")) tb_user_click(window);
            return kExitOk;
        }
        default:
            print_error("unknown setting " + options.key +
                        " (one of srate, rsmode, vol, ramplen, loop)");
            return kExitUsage;
    }
}

}  // namespace

int run_prefs(const HostChoice& host, const PrefsOptions& options) {
    const std::string stored_at = settings_path(host);
    if (stored_at.empty()) {
        print_error("no settings file: set XDG_CONFIG_HOME or HOME, or give --config");
        return kExitUsage;
    }
    if (options.action == PrefsOptions::Action::reset) {
        std::string error;
        if (!standin::remove_settings_file(stored_at, &error)) {
            print_error(error);
            return kExitFailed;
        }
        std::printf("settings reset (%s removed)\n", stored_at.c_str());
        return kExitOk;
    }
    std::unique_ptr<standin::PluginLibrary> plugin = load_plugin(host);
    if (!plugin) return kExitFailed;
    int status = kExitOk;
    {
        ShownPage shown(*plugin);
        if (shown.page() == nullptr) {
            print_error("the plug-in could not make its preferences page");
            return kExitFailed;
        }
        if (options.action != PrefsOptions::Action::show) {
            status = act(shown.page(), options);
            if (status != kExitOk) return status;
            std::string error;
            if (!standin::write_settings_file(stored_at, plugin->save_settings(), &error)) {
                print_error(error);
                return kExitFailed;
            }
        }
        show(shown.page(), *plugin, stored_at);
#if defined(_WIN32)
        if (options.window || !options.screenshot.empty()) {
            status = present_preferences_window(shown.frame(), shown.page(), options.screenshot);
            std::string error;
            if (!standin::write_settings_file(stored_at, plugin->save_settings(), &error)) {
                print_error(error);
                return kExitFailed;
            }
        }
#endif
    }
    return status;
}

}  // namespace qarvel_cli
