// Dialogs from templates: a module's resources are found through its instance handle (the
// handle dlopen gave for it), then the template's items become the dialog's controls.

#include <dlfcn.h>

#include <new>

#include "textbridge/window.h"

namespace textbridge {
namespace {

// More items than any page needs; a template claiming more is refused as malformed.
constexpr uint16_t kMaxTemplateItems = 1024;
// The same bound for the entries of one resource table.
constexpr uint32_t kMaxResources = 4096;

const tb_dialog_template* find_dialog_template(void* instance, uint32_t resource_id) {
    if (instance == nullptr) return nullptr;
    dlerror();
    const auto* table = static_cast<const tb_resource_table*>(dlsym(instance, TB_RESOURCE_SYMBOL));
    if (table == nullptr || table->magic != TB_RESOURCE_MAGIC || table->entries == nullptr ||
        table->count > kMaxResources) {
        return nullptr;
    }
    for (uint32_t i = 0; i < table->count; ++i) {
        const tb_resource& entry = table->entries[i];
        if (entry.type == TB_RT_DIALOG && entry.id == resource_id && entry.data != nullptr) {
            return static_cast<const tb_dialog_template*>(entry.data);
        }
    }
    return nullptr;
}

// The first control that takes the focus, as WM_INITDIALOG names it.
tb_window* first_tab_stop(const tb_window* dialog) {
    for (tb_window* child : dialog->children) {
        if ((child->style & WS_TABSTOP) != 0) return child;
    }
    return nullptr;
}

}  // namespace

tb_window* create_dialog(const tb_dialog_template* dialog_template, tb_window* parent,
                         tb_dlgproc proc, tb_lparam param) {
    if (dialog_template == nullptr || dialog_template->item_count > kMaxTemplateItems ||
        (dialog_template->item_count > 0 && dialog_template->items == nullptr)) {
        return nullptr;
    }
    if (parent != nullptr && !is_live(parent)) return nullptr;
    tb_window* dialog = create_window(parent, Kind::dialog, "#32770", dialog_template->title,
                                      dialog_template->style);
    if (dialog == nullptr) return nullptr;
    dialog->ex_style = dialog_template->ex_style;
    dialog->x = dialog_template->x;
    dialog->y = dialog_template->y;
    dialog->cx = dialog_template->cx;
    dialog->cy = dialog_template->cy;
    dialog->dialog_template = dialog_template;

    for (uint16_t i = 0; i < dialog_template->item_count; ++i) {
        const tb_dialog_item& item = dialog_template->items[i];
        // Controls are created before the procedure is attached: their initial texts come from
        // the template and notify nobody.
        tb_window* control = create_window(dialog, kind_of(item.window_class, item.style),
                                           item.window_class, item.text, item.style);
        if (control == nullptr) {
            destroy_window(dialog);
            return nullptr;
        }
        control->ex_style = item.ex_style;
        control->id = item.id;
        control->x = item.x;
        control->y = item.y;
        control->cx = item.cx;
        control->cy = item.cy;
    }

    dialog->proc = proc;
    send(dialog, WM_INITDIALOG, reinterpret_cast<tb_wparam>(first_tab_stop(dialog)), param);
    return is_live(dialog) ? dialog : nullptr;
}

tb_window* create_dialog_from_module(void* instance, uint32_t resource_id, tb_window* parent,
                                     tb_dlgproc proc, tb_lparam param) {
    return create_dialog(find_dialog_template(instance, resource_id), parent, proc, param);
}

}  // namespace textbridge
