#ifndef TEXTBRIDGE_TEXTBRIDGE_H
#define TEXTBRIDGE_TEXTBRIDGE_H
/*
 * textbridge: the host maker's UTF-8 window library, as a small headless window system for
 * this platform. A plug-in builds its preferences page with it exactly as it would on
 * Windows (uCreateDialog, uSendDlgItemMessage, ...); a host shows the page and acts on it as a
 * user would through the tb_* calls at the end. C-compatible; every text is NUL-terminated
 * UTF-8.
 *
 * What it models, and what it leaves out:
 * - Dialogs built from a dialog template (the fields of an extended dialog template), with
 *   combo boxes, edit boxes, static texts, group boxes, buttons (check boxes) and trackbars.
 *   Nothing is drawn; coordinates are kept in dialog units as the template gives them.
 * - Messages are delivered synchronously, as SendMessage does: a notification sent while a
 *   dialog procedure runs re-enters it before the sending call returns. Nesting is bounded
 *   (TB_MAX_MESSAGE_DEPTH); a deeper message is dropped and answers 0, so that a procedure
 *   that answers every change with another change cannot recurse without end.
 * - Handles are checked: a call with a null or destroyed window does nothing and answers 0.
 * - Combo boxes: CB_INSERTSTRING puts an entry exactly at its position whatever the sort
 *   style (as on Windows); CB_ADDSTRING sorts only with CBS_SORT. CB_SETCURSEL sends nothing;
 *   a user's pick sends CBN_DROPDOWN, CBN_SELCHANGE, CBN_CLOSEUP and CBN_SELENDOK.
 * - Edit boxes: EM_LIMITTEXT limits what the user types (in UTF-16 units, as Windows counts);
 *   text set by a program is never cut. EN_CHANGE follows every change of the text, whether
 *   set by a program or typed.
 * - Check boxes: BM_SETCHECK sends nothing; a user's click on an automatic check box toggles
 *   it and sends BN_CLICKED.
 * - Trackbars: default range 0 to 100; positions are kept within the range. TBM_SETPOS sends
 *   nothing; a user's drag sends WM_HSCROLL with TB_THUMBTRACK, TB_THUMBPOSITION and
 *   TB_ENDTRACK to the dialog.
 * - Resources: uCreateDialog finds dialog templates through the module instance handle,
 *   which on this platform is the handle dlopen returned for the module. The module exports
 *   one data symbol, TB_RESOURCE_SYMBOL, a tb_resource_table; templates are only read.
 * - One thread: calls for one window tree must come from one thread at a time.
 *
 * On Windows the same calls are the real thing: textbridge.dll converts texts between UTF-8
 * and UTF-16 and calls user32 (CreateDialogParamW, SendMessageW, ...), windows are HWNDs,
 * dialog templates come from the module's resource section (the instance is its HMODULE), and
 * GetDlgItem is user32's own. The host calls (tb_*) act on real windows with the messages
 * that a user's input makes the controls send; tb_create_dialog_indirect and
 * tb_dialog_template_of answer null there, since templates live in resources, and
 * tb_window_rect converts pixels back to dialog units (a unit off where the font's average
 * character does not divide evenly).
 */

#include <stdint.h>

#ifdef __cplusplus
namespace qarvel {
class HostTextResult;
}
extern "C" {
#endif

#if defined(_WIN32)
#if defined(TEXTBRIDGE_BUILDING)
#define TEXTBRIDGE_API __declspec(dllexport)
#else
#define TEXTBRIDGE_API __declspec(dllimport)
#endif
/* Windows' calling convention for window procedures and user32 (differs on 32-bit x86 only). */
#define TB_CALLBACK __stdcall
/* A window: a dialog, one of its controls, or a host's frame (an HWND). */
typedef struct HWND__* tb_hwnd;
#else
#define TEXTBRIDGE_API __attribute__((visibility("default")))
#define TB_CALLBACK
/* A window: a dialog, one of its controls, or a host's frame. */
typedef struct tb_window* tb_hwnd;
#endif
typedef uintptr_t tb_wparam;
typedef intptr_t tb_lparam;
typedef intptr_t tb_lresult;

/* A dialog procedure: returns nonzero when it handled the message (WM_INITDIALOG: nonzero to
 * let the dialog set the default focus). */
typedef tb_lresult(TB_CALLBACK* tb_dlgproc)(tb_hwnd dialog, uint32_t message, tb_wparam wparam,
                                            tb_lparam lparam);

/* A text result object with the five operations of qarvel::HostTextResult; textbridge calls
 * only its assign (slot 2). */
#ifdef __cplusplus
typedef qarvel::HostTextResult tb_text_result;
#else
typedef struct tb_text_result tb_text_result;
#endif

/* ---- Windows constants, with their Windows values ---------------------------------------- */

#define TB_MAX_MESSAGE_DEPTH 64

#define TB_LOWORD(w) ((uint16_t)((uintptr_t)(w)&0xFFFFu))
#define TB_HIWORD(w) ((uint16_t)(((uintptr_t)(w) >> 16) & 0xFFFFu))
#define TB_MAKEWPARAM(low, high) \
    ((tb_wparam)(((uint32_t)(uint16_t)(low)) | ((uint32_t)(uint16_t)(high) << 16)))

#define IDC_STATIC (-1)

/* Windows' own headers define these when included first (as textbridge's Windows code does). */
#if !defined(_WINUSER_)
#define WM_DESTROY 0x0002u
#define WM_SETTEXT 0x000Cu
#define WM_GETTEXT 0x000Du
#define WM_GETTEXTLENGTH 0x000Eu
#define WM_INITDIALOG 0x0110u
#define WM_COMMAND 0x0111u
#define WM_HSCROLL 0x0114u
#define WM_VSCROLL 0x0115u
#define WM_USER 0x0400u

#define GWL_STYLE (-16)
#define GWL_ID (-12)
#define GWL_EXSTYLE (-20)

#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_BORDER 0x00800000u
#define WS_VSCROLL 0x00200000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u

#define DS_SETFONT 0x0040u
#define DS_FIXEDSYS 0x0008u
#define DS_CONTROL 0x0400u

#define SS_LEFT 0x0000u
#define SS_RIGHT 0x0002u

#define BS_CHECKBOX 0x0002u
#define BS_AUTOCHECKBOX 0x0003u
#define BS_GROUPBOX 0x0007u
#define BS_TYPEMASK 0x000Fu
#define BM_GETCHECK 0x00F0u
#define BM_SETCHECK 0x00F1u
#define BST_UNCHECKED 0u
#define BST_CHECKED 1u
#define BST_INDETERMINATE 2u
#define BN_CLICKED 0u

#define ES_AUTOHSCROLL 0x0080u
#define EM_LIMITTEXT 0x00C5u
#define EM_GETLIMITTEXT 0x00D5u
#define EN_CHANGE 0x0300u
#define EN_UPDATE 0x0400u

#define CBS_DROPDOWN 0x0002u
#define CBS_SORT 0x0100u
#define CB_ERR (-1)
#define CB_ADDSTRING 0x0143u
#define CB_GETCOUNT 0x0146u
#define CB_GETCURSEL 0x0147u
#define CB_GETLBTEXTLEN 0x0149u
#define CB_INSERTSTRING 0x014Au
#define CB_RESETCONTENT 0x014Bu
#define CB_SETCURSEL 0x014Eu
#define CBN_SELCHANGE 1u
#define CBN_DROPDOWN 7u
#define CBN_CLOSEUP 8u
#define CBN_SELENDOK 9u
#endif /* !_WINUSER_ */

#if !defined(_INC_COMMCTRL)
#define TBS_HORZ 0x0000u
#define TBS_VERT 0x0002u
#define TBS_NOTICKS 0x0010u
#define TBM_GETPOS (WM_USER + 0u)
#define TBM_GETRANGEMIN (WM_USER + 1u)
#define TBM_GETRANGEMAX (WM_USER + 2u)
#define TBM_SETPOS (WM_USER + 5u)
#define TBM_SETRANGEMIN (WM_USER + 7u)
#define TBM_SETRANGEMAX (WM_USER + 8u)
#define TB_THUMBPOSITION 4u
#define TB_THUMBTRACK 5u
#define TB_ENDTRACK 8u
#endif /* !_INC_COMMCTRL */

/* Window classes a template may name (compared without regard to letter case). */
#define TB_CLASS_BUTTON "Button"
#define TB_CLASS_COMBOBOX "ComboBox"
#define TB_CLASS_EDIT "Edit"
#define TB_CLASS_STATIC "Static"
#define TB_CLASS_TRACKBAR "msctls_trackbar32"

/* ---- Resources: what a module hands textbridge --------------------------------------------- */

/* The fields of an extended dialog template item, in its order. */
typedef struct tb_dialog_item {
    uint32_t help_id;
    uint32_t ex_style;
    uint32_t style;
    int16_t x, y, cx, cy; /* dialog units */
    int32_t id;           /* IDC_STATIC for controls without one */
    const char* window_class;
    const char* text;
} tb_dialog_item;

/* The fields of an extended dialog template, in its order, with the language that its
 * resource entry carries. */
typedef struct tb_dialog_template {
    uint32_t help_id;
    uint32_t ex_style;
    uint32_t style;
    int16_t x, y, cx, cy; /* dialog units */
    const char* title;
    uint16_t point_size;
    uint16_t weight;
    uint8_t italic;
    uint8_t charset;
    const char* typeface;
    uint16_t item_count;
    const tb_dialog_item* items;
} tb_dialog_template;

#define TB_RT_DIALOG 5u
#define TB_RESOURCE_SYMBOL "textbridge_resources"
#define TB_RESOURCE_MAGIC 0x53524254u /* "TBRS" */

typedef struct tb_resource {
    uint32_t type; /* TB_RT_DIALOG: data is a tb_dialog_template */
    uint32_t id;
    uint16_t language; /* 0x0409: US English */
    const void* data;
} tb_resource;

/* What a module exports under TB_RESOURCE_SYMBOL. */
typedef struct tb_resource_table {
    uint32_t magic; /* TB_RESOURCE_MAGIC */
    uint32_t count;
    const tb_resource* entries;
} tb_resource_table;

/* ---- The calls a plug-in makes ------------------------------------------------------------- */

/* Creates a dialog from dialog resource `resource_id` of the module `instance` (a dlopen
 * handle; on Windows the module's HMODULE) as a child of `parent` (may be null), sends
 * WM_INITDIALOG with `param` to `proc` and returns the dialog; null when the module has no such
 * resource or memory ran out. */
TEXTBRIDGE_API tb_hwnd uCreateDialog(void* instance, uint32_t resource_id, tb_hwnd parent,
                                     tb_dlgproc proc, tb_lparam param);
/* Sends `message` with a text as its second parameter (CB_INSERTSTRING, CB_ADDSTRING,
 * WM_SETTEXT). */
TEXTBRIDGE_API tb_lresult uSendMessageText(tb_hwnd window, uint32_t message, tb_wparam wparam,
                                           const char* text);
/* Sends `message` to the control `id` of `dialog`; 0 when there is no such control. */
TEXTBRIDGE_API tb_lresult uSendDlgItemMessage(tb_hwnd dialog, int32_t id, uint32_t message,
                                              tb_wparam wparam, tb_lparam lparam);
/* Sets the text of control `id`; nonzero on success. */
TEXTBRIDGE_API int32_t uSetDlgItemText(tb_hwnd dialog, int32_t id, const char* text);
/* Assigns the text of control `id` to `out`; nonzero on success. */
TEXTBRIDGE_API int32_t uGetDlgItemText(tb_hwnd dialog, int32_t id, tb_text_result* out);
/* GWL_ID: the control's id; GWL_STYLE, GWL_EXSTYLE: its styles; 0 otherwise. */
TEXTBRIDGE_API intptr_t uGetWindowLong(tb_hwnd window, int32_t index);
/* The first control of `dialog` whose id is `id`, or null. On Windows, user32's. */
#if defined(_WIN32)
#if !defined(_WINUSER_)
__declspec(dllimport) tb_hwnd TB_CALLBACK GetDlgItem(tb_hwnd dialog, int id);
#endif
#else
TEXTBRIDGE_API tb_hwnd GetDlgItem(tb_hwnd dialog, int32_t id);
#endif

/* ---- The calls a host makes ---------------------------------------------------------------- */

/* Creates a dialog from a template held by the caller (kept, not copied: it must outlive the
 * dialog), as uCreateDialog does. */
TEXTBRIDGE_API tb_hwnd tb_create_dialog_indirect(const tb_dialog_template* dialog_template,
                                                 tb_hwnd parent, tb_dlgproc proc, tb_lparam param);
/* A top-level window without a procedure, to stand for a host's preferences window. */
TEXTBRIDGE_API tb_hwnd tb_create_frame(const char* title);
/* Destroys a window and everything below it; a dialog's procedure receives WM_DESTROY first.
 * Null is ignored. */
TEXTBRIDGE_API void tb_destroy_window(tb_hwnd window);
/* Sends any message to a window (to a dialog: to its procedure). */
TEXTBRIDGE_API tb_lresult tb_send_message(tb_hwnd window, uint32_t message, tb_wparam wparam,
                                          tb_lparam lparam);

/* What a window is and holds. Texts are owned by the window and valid until it changes. */
TEXTBRIDGE_API tb_hwnd tb_parent(tb_hwnd window);
TEXTBRIDGE_API uint32_t tb_child_count(tb_hwnd window);
/* The children in creation order (for a dialog: template order). */
TEXTBRIDGE_API tb_hwnd tb_child_at(tb_hwnd window, uint32_t index);
TEXTBRIDGE_API const char* tb_window_class(tb_hwnd window);
TEXTBRIDGE_API const char* tb_window_text(tb_hwnd window);
/* Position and size in dialog units; any pointer may be null. */
TEXTBRIDGE_API void tb_window_rect(tb_hwnd window, int32_t* x, int32_t* y, int32_t* cx,
                                   int32_t* cy);
/* The template a dialog was created from, or null. */
TEXTBRIDGE_API const tb_dialog_template* tb_dialog_template_of(tb_hwnd dialog);
/* Combo box entries; null beyond the count. */
TEXTBRIDGE_API const char* tb_combo_entry(tb_hwnd combo, uint32_t index);

/* Acting as a user would; each sends what Windows sends. Nonzero when the action was
 * possible (a control of the right kind, an entry that exists). */
/* Picks entry `index` of a combo box. */
TEXTBRIDGE_API int32_t tb_user_pick(tb_hwnd combo, uint32_t index);
/* Types `text` at the end of an edit box, one character at a time; characters beyond the
 * box's limit are refused. Returns the number of characters accepted, or -1 for a window that
 * is not an edit box. */
TEXTBRIDGE_API int32_t tb_user_type(tb_hwnd edit, const char* text);
/* Selects all of an edit box's text and deletes it (nothing is sent when it was empty). */
TEXTBRIDGE_API int32_t tb_user_clear(tb_hwnd edit);
/* Clicks a button (an automatic check box toggles). */
TEXTBRIDGE_API int32_t tb_user_click(tb_hwnd button);
/* Drags a trackbar's thumb to `position` (kept within the range) and lets it go. */
TEXTBRIDGE_API int32_t tb_user_drag(tb_hwnd trackbar, int32_t position);

#ifdef __cplusplus
}
#endif

#endif /* TEXTBRIDGE_TEXTBRIDGE_H */
