#include "textbridge/window.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

namespace textbridge {
namespace {

std::mutex& registry_lock() {
    static std::mutex lock;
    return lock;
}
std::unordered_set<const tb_window*>& registry() {
    static std::unordered_set<const tb_window*> live;
    return live;
}

thread_local int g_message_depth = 0;

bool equal_ignoring_case(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const char ca = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
        const char cb = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (ca != cb) return false;
        if (ca == '\0') return true;
    }
}

// Case-insensitive order, as a sorted combo box keeps its entries.
bool sorts_before(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const unsigned char lx = static_cast<unsigned char>((x >= 'A' && x <= 'Z') ? x + 32 : x);
        const unsigned char ly = static_cast<unsigned char>((y >= 'A' && y <= 'Z') ? y + 32 : y);
        return lx < ly;
    });
}

int32_t clamp_to_range(const tb_window& w, int64_t position) {
    if (w.range_min <= w.range_max) {
        if (position < w.range_min) return w.range_min;
        if (position > w.range_max) return w.range_max;
    }
    return static_cast<int32_t>(position);
}

// The lparam of a range or position message as the 32-bit LONG Windows reads from it.
int32_t long_of(tb_lparam lparam) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uintptr_t>(lparam)));
}

tb_lresult combo_message(tb_window* w, uint32_t message, tb_wparam wparam, tb_lparam lparam) {
    const int64_t count = static_cast<int64_t>(w->entries.size());
    switch (message) {
        case CB_ADDSTRING:
        case CB_INSERTSTRING: {
            const char* text = reinterpret_cast<const char*>(lparam);
            std::string entry = text != nullptr ? text : "";
            int64_t at = count;
            if (message == CB_INSERTSTRING) {
                // A position is kept as given, whatever the sort style; -1 appends.
                const int64_t requested = static_cast<int32_t>(static_cast<uint32_t>(wparam));
                if (requested > count) return CB_ERR;
                if (requested >= 0) at = requested;
            } else if ((w->style & CBS_SORT) != 0) {
                at = std::upper_bound(w->entries.begin(), w->entries.end(), entry, sorts_before) -
                     w->entries.begin();
            }
            w->entries.insert(w->entries.begin() + at, std::move(entry));
            if (w->selection != CB_ERR && w->selection >= at) ++w->selection;
            return static_cast<tb_lresult>(at);
        }
        case CB_GETCOUNT:
            return static_cast<tb_lresult>(count);
        case CB_GETCURSEL:
            return w->selection;
        case CB_SETCURSEL: {
            const int64_t index = static_cast<int32_t>(static_cast<uint32_t>(wparam));
            if (index < 0 || index >= count) {
                w->selection = CB_ERR;
                w->text.clear();
                return CB_ERR;
            }
            w->selection = static_cast<int32_t>(index);
            w->text = w->entries[static_cast<size_t>(index)];
            return w->selection;
        }
        case CB_GETLBTEXTLEN: {
            const uint64_t index = wparam;
            if (index >= static_cast<uint64_t>(count)) return CB_ERR;
            return static_cast<tb_lresult>(w->entries[index].size());
        }
        case CB_RESETCONTENT:
            w->entries.clear();
            w->selection = CB_ERR;
            return 0;
        default:
            return 0;
    }
}

tb_lresult edit_message(tb_window* w, uint32_t message, tb_wparam wparam) {
    switch (message) {
        case EM_LIMITTEXT:
            // 0 lifts the limit to the largest Windows allows for one line.
            w->text_limit = wparam == 0
                                ? 0x7FFFFFFEu
                                : static_cast<uint32_t>(std::min<uint64_t>(wparam, 0x7FFFFFFEu));
            return 0;
        case EM_GETLIMITTEXT:
            return static_cast<tb_lresult>(w->text_limit);
        default:
            return 0;
    }
}

tb_lresult button_message(tb_window* w, uint32_t message, tb_wparam wparam) {
    if (w->kind != Kind::check_box) return 0;
    switch (message) {
        case BM_GETCHECK:
            return static_cast<tb_lresult>(w->check);
        case BM_SETCHECK:
            w->check = static_cast<uint32_t>(wparam) <= BST_INDETERMINATE
                           ? static_cast<uint32_t>(wparam)
                           : BST_CHECKED;
            return 0;
        default:
            return 0;
    }
}

tb_lresult trackbar_message(tb_window* w, uint32_t message, tb_lparam lparam) {
    switch (message) {
        case TBM_GETPOS:
            return w->position;
        case TBM_GETRANGEMIN:
            return w->range_min;
        case TBM_GETRANGEMAX:
            return w->range_max;
        case TBM_SETPOS:
            w->position = clamp_to_range(*w, long_of(lparam));
            return 0;
        case TBM_SETRANGEMIN:
            w->range_min = long_of(lparam);
            w->position = clamp_to_range(*w, w->position);
            return 0;
        case TBM_SETRANGEMAX:
            w->range_max = long_of(lparam);
            w->position = clamp_to_range(*w, w->position);
            return 0;
        default:
            return 0;
    }
}

// What every window does with its text.
tb_lresult text_message(tb_window* w, uint32_t message, tb_wparam wparam, tb_lparam lparam) {
    switch (message) {
        case WM_SETTEXT:
            return set_text(w, reinterpret_cast<const char*>(lparam)) ? 1 : 0;
        case WM_GETTEXTLENGTH:
            return static_cast<tb_lresult>(w->text.size());
        case WM_GETTEXT: {
            char* out = reinterpret_cast<char*>(lparam);
            if (out == nullptr || wparam == 0) return 0;
            const size_t n = std::min<size_t>(w->text.size(), wparam - 1);
            std::memcpy(out, w->text.data(), n);
            out[n] = '\0';
            return static_cast<tb_lresult>(n);
        }
        default:
            return 0;
    }
}

tb_lresult deliver(tb_window* w, uint32_t message, tb_wparam wparam, tb_lparam lparam) {
    if (message == WM_SETTEXT || message == WM_GETTEXT || message == WM_GETTEXTLENGTH) {
        if (w->kind == Kind::dialog && w->proc != nullptr) {
            const tb_lresult handled = w->proc(w, message, wparam, lparam);
            if (handled != 0 || !is_live(w)) return handled;
        }
        return text_message(w, message, wparam, lparam);
    }
    switch (w->kind) {
        case Kind::dialog:
            return w->proc != nullptr ? w->proc(w, message, wparam, lparam) : 0;
        case Kind::combo_box:
            return combo_message(w, message, wparam, lparam);
        case Kind::edit:
            return edit_message(w, message, wparam);
        case Kind::check_box:
        case Kind::button:
            return button_message(w, message, wparam);
        case Kind::trackbar:
            return trackbar_message(w, message, lparam);
        default:
            return 0;
    }
}

void free_tree(tb_window* window) {
    for (tb_window* child : window->children) free_tree(child);
    {
        std::lock_guard<std::mutex> hold(registry_lock());
        registry().erase(window);
    }
    delete window;
}

}  // namespace

Kind kind_of(const char* window_class, uint32_t style) {
    if (window_class == nullptr) return Kind::other;
    if (equal_ignoring_case(window_class, TB_CLASS_BUTTON)) {
        switch (style & BS_TYPEMASK) {
            case BS_GROUPBOX:
                return Kind::group_box;
            case BS_CHECKBOX:
            case BS_AUTOCHECKBOX:
                return Kind::check_box;
            default:
                return Kind::button;
        }
    }
    if (equal_ignoring_case(window_class, TB_CLASS_COMBOBOX)) return Kind::combo_box;
    if (equal_ignoring_case(window_class, TB_CLASS_EDIT)) return Kind::edit;
    if (equal_ignoring_case(window_class, TB_CLASS_STATIC)) return Kind::static_text;
    if (equal_ignoring_case(window_class, TB_CLASS_TRACKBAR)) return Kind::trackbar;
    return Kind::other;
}

tb_window* create_window(tb_window* parent, Kind kind, const char* window_class, const char* text,
                         uint32_t style) {
    tb_window* window = new (std::nothrow) tb_window;
    if (window == nullptr) return nullptr;
    try {
        window->kind = kind;
        window->class_name = window_class != nullptr ? window_class : "";
        window->text = text != nullptr ? text : "";
        window->style = style;
        window->parent = parent;
        if (parent != nullptr) parent->children.push_back(window);
        std::lock_guard<std::mutex> hold(registry_lock());
        registry().insert(window);
    } catch (const std::bad_alloc&) {
        if (parent != nullptr && !parent->children.empty() && parent->children.back() == window) {
            parent->children.pop_back();
        }
        delete window;
        return nullptr;
    }
    return window;
}

void destroy_window(tb_window* window) {
    if (!is_live(window)) return;
    // As on Windows, every dialog of the tree hears WM_DESTROY, parents before children,
    // before anything is freed. A procedure may destroy windows itself meanwhile.
    std::vector<tb_window*> tree;
    try {
        tree.push_back(window);
        for (size_t i = 0; i < tree.size(); ++i) {
            tree.insert(tree.end(), tree[i]->children.begin(), tree[i]->children.end());
        }
    } catch (const std::bad_alloc&) {
        tree.clear();  // freed without the goodbyes rather than not at all
    }
    for (tb_window* w : tree) {
        if (is_live(w) && w->kind == Kind::dialog && w->proc != nullptr) {
            w->proc(w, WM_DESTROY, 0, 0);
        }
    }
    if (!is_live(window)) return;
    if (window->parent != nullptr) {
        std::vector<tb_window*>& siblings = window->parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
    }
    free_tree(window);
}

bool is_live(const tb_window* window) {
    if (window == nullptr) return false;
    std::lock_guard<std::mutex> hold(registry_lock());
    return registry().count(window) != 0;
}

tb_lresult send(tb_window* window, uint32_t message, tb_wparam wparam, tb_lparam lparam) {
    if (!is_live(window) || g_message_depth >= TB_MAX_MESSAGE_DEPTH) return 0;
    ++g_message_depth;
    tb_lresult result = 0;
    try {
        result = deliver(window, message, wparam, lparam);
    } catch (const std::bad_alloc&) {
        result = 0;
    }
    --g_message_depth;
    return result;
}

void notify(tb_window* control, uint32_t code) {
    if (!is_live(control)) return;
    tb_window* dialog = control->parent;
    if (dialog == nullptr || dialog->kind != Kind::dialog) return;
    send(dialog, WM_COMMAND, TB_MAKEWPARAM(control->id, code),
         reinterpret_cast<tb_lparam>(control));
}

bool set_text(tb_window* window, const char* text) {
    window->text = text != nullptr ? text : "";
    if (window->kind == Kind::edit) {
        notify(window, EN_UPDATE);
        notify(window, EN_CHANGE);
    }
    return true;
}

uint32_t utf8_character_bytes(const char* text) {
    const unsigned char lead = static_cast<unsigned char>(text[0]);
    uint32_t length = 1;
    if (lead >= 0xF0 && lead <= 0xF7) {
        length = 4;
    } else if (lead >= 0xE0) {
        length = lead <= 0xEF ? 3 : 1;
    } else if (lead >= 0xC0) {
        length = 2;
    }
    for (uint32_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

uint32_t utf16_units(const std::string& text) {
    uint32_t units = 0;
    for (size_t at = 0; at < text.size();) {
        const uint32_t bytes = utf8_character_bytes(text.c_str() + at);
        units += bytes == 4 ? 2 : 1;  // beyond the basic plane: a surrogate pair
        at += bytes;
    }
    return units;
}

}  // namespace textbridge
