#pragma once
// The host's preferences window on Windows: the frame that holds the plug-in's page, sized to
// the page and shown, either until the user closes it or just long enough to be drawn and
// written to a PNG file as a picture of what the user sees.

#include <string>

#include "textbridge/textbridge.h"

namespace qarvel_cli {

// Shows `frame` with `page` inside. With an empty `screenshot_path` it runs until the window
// is closed; otherwise it writes the window's client area to that PNG file and returns. The
// exit status.
int present_preferences_window(tb_hwnd frame, tb_hwnd page, const std::string& screenshot_path);

}  // namespace qarvel_cli
