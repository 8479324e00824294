// The stand-in window system behaves as the Windows controls do where the preferences page
// and a host rely on it: what a program call changes silently, what a user's action reports,
// and where positions, limits and ranges hold.

#include "textbridge/textbridge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/text_builder.h"

namespace {

constexpr int32_t kComboId = 10;
constexpr int32_t kSortedComboId = 11;
constexpr int32_t kEditId = 20;
constexpr int32_t kCheckId = 30;
constexpr int32_t kGroupId = 31;
constexpr int32_t kTrackbarId = 40;

constexpr uint32_t kChild = WS_CHILD | WS_VISIBLE;
constexpr tb_dialog_item kItems[] = {
    {0, 0, kChild, 0, 0, 10, 10, IDC_STATIC, TB_CLASS_STATIC, "label"},
    {0, 0, kChild | CBS_DROPDOWN | WS_TABSTOP, 0, 0, 10, 10, kComboId, TB_CLASS_COMBOBOX, ""},
    {0, 0, kChild | CBS_DROPDOWN | CBS_SORT, 0, 0, 10, 10, kSortedComboId, "COMBOBOX", ""},
    {0, 0, kChild | ES_AUTOHSCROLL, 0, 0, 10, 10, kEditId, TB_CLASS_EDIT, "start"},
    {0, 0, kChild | BS_AUTOCHECKBOX, 0, 0, 10, 10, kCheckId, TB_CLASS_BUTTON, "Tick"},
    {0, 0, kChild | BS_GROUPBOX, 0, 0, 10, 10, kGroupId, TB_CLASS_BUTTON, "Group"},
    {0, 0, kChild | TBS_NOTICKS, 0, 0, 10, 10, kTrackbarId, TB_CLASS_TRACKBAR, ""},
};
constexpr tb_dialog_template kTemplate = {
    0, 0, DS_SETFONT | WS_CHILD, 0, 0, 100, 100, "Test", 8, 400, 0, 1, "MS Shell Dlg", 7, kItems};

struct Message {
    uint32_t message;
    tb_wparam wparam;
    tb_lparam lparam;
};

// What the dialog procedure heard, and how it answers some messages.
std::vector<Message> g_heard;
bool g_echo_text_changes = false;

tb_lresult recording_proc(tb_hwnd dialog, uint32_t message, tb_wparam wparam, tb_lparam lparam) {
    g_heard.push_back({message, wparam, lparam});
    if (g_echo_text_changes && message == WM_COMMAND && TB_HIWORD(wparam) == EN_CHANGE) {
        // Answers every change with another: the nesting bound must end this.
        uSetDlgItemText(dialog, kEditId, "again");
    }
    return message == WM_INITDIALOG ? 1 : 0;
}

class TextbridgeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_heard.clear();
        g_echo_text_changes = false;
        dialog_ = tb_create_dialog_indirect(&kTemplate, nullptr, recording_proc, 77);
        ASSERT_NE(dialog_, nullptr);
        g_heard.clear();
    }
    void TearDown() override { tb_destroy_window(dialog_); }

    tb_lresult send(int32_t id, uint32_t message, tb_wparam wparam = 0, tb_lparam lparam = 0) {
        return uSendDlgItemMessage(dialog_, id, message, wparam, lparam);
    }
    void insert(int32_t id, tb_wparam position, const char* text) {
        uSendMessageText(GetDlgItem(dialog_, id), CB_INSERTSTRING, position, text);
    }
    std::vector<std::string> entries(int32_t id) {
        std::vector<std::string> out;
        tb_hwnd combo = GetDlgItem(dialog_, id);
        for (uint32_t i = 0; tb_combo_entry(combo, i) != nullptr; ++i) {
            out.push_back(tb_combo_entry(combo, i));
        }
        return out;
    }
    // The notification codes of the WM_COMMAND messages heard from control `id`.
    std::vector<uint32_t> notifications_from(int32_t id) {
        std::vector<uint32_t> out;
        for (const Message& m : g_heard) {
            if (m.message == WM_COMMAND && TB_LOWORD(m.wparam) == static_cast<uint16_t>(id)) {
                out.push_back(TB_HIWORD(m.wparam));
            }
        }
        return out;
    }

    tb_hwnd dialog_ = nullptr;
};

TEST(TextbridgeDialog, CreationBuildsTheControlsInTemplateOrderThenInitialises) {
    g_heard.clear();
    tb_hwnd frame = tb_create_frame("Preferences");
    tb_hwnd dialog = tb_create_dialog_indirect(&kTemplate, frame, recording_proc, 77);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(tb_parent(dialog), frame);
    ASSERT_EQ(tb_child_count(dialog), 7u);
    EXPECT_EQ(uGetWindowLong(tb_child_at(dialog, 0), GWL_ID), IDC_STATIC);
    EXPECT_EQ(uGetWindowLong(tb_child_at(dialog, 1), GWL_ID), kComboId);
    EXPECT_EQ(uGetWindowLong(tb_child_at(dialog, 6), GWL_ID), kTrackbarId);
    EXPECT_EQ(static_cast<uint32_t>(uGetWindowLong(tb_child_at(dialog, 3), GWL_STYLE)),
              kChild | ES_AUTOHSCROLL);
    EXPECT_STREQ(tb_window_text(tb_child_at(dialog, 3)), "start");
    EXPECT_STREQ(tb_window_class(tb_child_at(dialog, 2)), "COMBOBOX");
    EXPECT_EQ(tb_dialog_template_of(dialog), &kTemplate);

    // Template texts notify nobody; WM_INITDIALOG comes once, with the first tab stop and the
    // caller's parameter.
    ASSERT_EQ(g_heard.size(), 1u);
    EXPECT_EQ(g_heard[0].message, WM_INITDIALOG);
    EXPECT_EQ(g_heard[0].wparam, reinterpret_cast<tb_wparam>(GetDlgItem(dialog, kComboId)));
    EXPECT_EQ(g_heard[0].lparam, 77);

    g_heard.clear();
    tb_destroy_window(frame);
    ASSERT_EQ(g_heard.size(), 1u);
    EXPECT_EQ(g_heard[0].message, WM_DESTROY);
    // Every handle of the tree is dead now, and calls on it answer nothing.
    EXPECT_EQ(tb_child_count(dialog), 0u);
    EXPECT_EQ(GetDlgItem(dialog, kComboId), nullptr);
    EXPECT_EQ(uSendDlgItemMessage(dialog, kTrackbarId, TBM_GETRANGEMAX, 0, 0), 0);
    EXPECT_EQ(tb_window_text(frame), nullptr);
}

TEST(TextbridgeDialog, ResourcesAreFoundOnlyThroughAModuleThatHasThem) {
    EXPECT_EQ(uCreateDialog(nullptr, 9, nullptr, recording_proc, 0), nullptr);
    const tb_dialog_template no_items_but_a_count = {0, 0, 0, 0, 0,  1, 1,      "",
                                                     8, 0, 0, 0, "", 3, nullptr};
    EXPECT_EQ(tb_create_dialog_indirect(&no_items_but_a_count, nullptr, recording_proc, 0),
              nullptr);
    EXPECT_EQ(tb_create_dialog_indirect(nullptr, nullptr, recording_proc, 0), nullptr);
}

TEST_F(TextbridgeTest, InsertedEntriesStayAtTheirPositionsEvenInASortedComboBox) {
    insert(kSortedComboId, 0, "zeta");
    insert(kSortedComboId, 1, "alpha");
    insert(kSortedComboId, 1, "mu");
    insert(kSortedComboId, static_cast<tb_wparam>(-1), "beta");  // -1 appends
    EXPECT_EQ(entries(kSortedComboId), (std::vector<std::string>{"zeta", "mu", "alpha", "beta"}));
    EXPECT_EQ(uSendMessageText(GetDlgItem(dialog_, kSortedComboId), CB_INSERTSTRING, 9, "x"),
              CB_ERR);
    EXPECT_EQ(send(kSortedComboId, CB_GETCOUNT), 4);
}

TEST_F(TextbridgeTest, AddedEntriesAreSortedOnlyWithTheSortStyle) {
    for (const char* text : {"b", "C", "a"}) {
        uSendMessageText(GetDlgItem(dialog_, kSortedComboId), CB_ADDSTRING, 0, text);
        uSendMessageText(GetDlgItem(dialog_, kComboId), CB_ADDSTRING, 0, text);
    }
    EXPECT_EQ(entries(kSortedComboId), (std::vector<std::string>{"a", "b", "C"}));
    EXPECT_EQ(entries(kComboId), (std::vector<std::string>{"b", "C", "a"}));
}

TEST_F(TextbridgeTest, ProgramSelectionIsSilentAndAUsersPickIsReported) {
    insert(kComboId, 0, "one");
    insert(kComboId, 1, "two");
    EXPECT_EQ(send(kComboId, CB_GETCURSEL), CB_ERR);
    EXPECT_EQ(send(kComboId, CB_SETCURSEL, 1), 1);
    EXPECT_EQ(send(kComboId, CB_GETCURSEL), 1);
    EXPECT_STREQ(tb_window_text(GetDlgItem(dialog_, kComboId)), "two");
    EXPECT_TRUE(g_heard.empty());

    // Out of range (or -1) clears the selection.
    EXPECT_EQ(send(kComboId, CB_SETCURSEL, 2), CB_ERR);
    EXPECT_EQ(send(kComboId, CB_GETCURSEL), CB_ERR);

    ASSERT_EQ(tb_user_pick(GetDlgItem(dialog_, kComboId), 0), 1);
    EXPECT_EQ(send(kComboId, CB_GETCURSEL), 0);
    EXPECT_EQ(notifications_from(kComboId),
              (std::vector<uint32_t>{CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}));
    EXPECT_EQ(g_heard[1].lparam, reinterpret_cast<tb_lparam>(GetDlgItem(dialog_, kComboId)));
    EXPECT_EQ(tb_user_pick(GetDlgItem(dialog_, kComboId), 2), 0) << "no such entry";
    EXPECT_EQ(tb_user_pick(GetDlgItem(dialog_, kEditId), 0), 0) << "not a combo box";
}

TEST_F(TextbridgeTest, InsertingBeforeTheSelectionKeepsTheSelectedEntry) {
    insert(kComboId, 0, "one");
    send(kComboId, CB_SETCURSEL, 0);
    insert(kComboId, 0, "zero");
    EXPECT_EQ(send(kComboId, CB_GETCURSEL), 1);
}

TEST_F(TextbridgeTest, EveryChangeOfAnEditBoxsTextIsReported) {
    EXPECT_EQ(uSetDlgItemText(dialog_, kEditId, "0.25"), 1);
    EXPECT_EQ(notifications_from(kEditId), (std::vector<uint32_t>{EN_UPDATE, EN_CHANGE}));
    g_heard.clear();
    EXPECT_EQ(tb_user_type(GetDlgItem(dialog_, kEditId), "12"), 2);
    EXPECT_EQ(notifications_from(kEditId),
              (std::vector<uint32_t>{EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE}));
    EXPECT_STREQ(tb_window_text(GetDlgItem(dialog_, kEditId)), "0.2512");

    g_heard.clear();
    EXPECT_EQ(tb_user_clear(GetDlgItem(dialog_, kEditId)), 1);
    EXPECT_STREQ(tb_window_text(GetDlgItem(dialog_, kEditId)), "");
    EXPECT_EQ(notifications_from(kEditId).size(), 2u);
    g_heard.clear();
    tb_user_clear(GetDlgItem(dialog_, kEditId));
    EXPECT_TRUE(g_heard.empty()) << "clearing an empty box changes nothing";
}

TEST_F(TextbridgeTest, TheTextLimitHoldsForTypingOnly) {
    tb_hwnd edit = GetDlgItem(dialog_, kEditId);
    send(kEditId, EM_LIMITTEXT, 4);
    EXPECT_EQ(send(kEditId, EM_GETLIMITTEXT), 4);
    uSetDlgItemText(dialog_, kEditId, "123456");
    EXPECT_STREQ(tb_window_text(edit), "123456") << "a program's text is never cut";
    EXPECT_EQ(tb_user_type(edit, "7"), 0) << "already past the limit";

    tb_user_clear(edit);
    EXPECT_EQ(tb_user_type(edit, "0.12345"), 4);
    EXPECT_STREQ(tb_window_text(edit), "0.12");

    // The limit counts UTF-16 units: a euro sign is one, a character beyond the basic plane
    // two.
    tb_user_clear(edit);
    EXPECT_EQ(tb_user_type(edit, "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xF0\x9F\x98\x80"), 3);
    EXPECT_EQ(tb_user_type(edit, "1"), 1);
    EXPECT_EQ(tb_user_type(GetDlgItem(dialog_, kComboId), "1"), -1) << "not an edit box";
}

TEST_F(TextbridgeTest, DialogItemTextGoesIntoATextResult) {
    uSetDlgItemText(dialog_, kEditId, "0,3");
    tarnwick::TextBuilder text("old");
    EXPECT_EQ(uGetDlgItemText(dialog_, kEditId, &text), 1);
    EXPECT_STREQ(text.text(), "0,3");
    EXPECT_EQ(uGetDlgItemText(dialog_, 999, &text), 0);
}

TEST_F(TextbridgeTest, ACheckBoxTogglesOnlyWhenClicked) {
    send(kCheckId, BM_SETCHECK, BST_CHECKED);
    EXPECT_EQ(send(kCheckId, BM_GETCHECK), BST_CHECKED);
    EXPECT_TRUE(g_heard.empty());
    tb_user_click(GetDlgItem(dialog_, kCheckId));
    EXPECT_EQ(send(kCheckId, BM_GETCHECK), BST_UNCHECKED);
    tb_user_click(GetDlgItem(dialog_, kCheckId));
    EXPECT_EQ(send(kCheckId, BM_GETCHECK), BST_CHECKED);
    EXPECT_EQ(notifications_from(kCheckId), (std::vector<uint32_t>{BN_CLICKED, BN_CLICKED}));
    send(kGroupId, BM_SETCHECK, BST_CHECKED);
    EXPECT_EQ(send(kGroupId, BM_GETCHECK), 0) << "a group box has no check";
}

TEST_F(TextbridgeTest, ATrackbarKeepsItsPositionWithinItsRange) {
    EXPECT_EQ(send(kTrackbarId, TBM_GETRANGEMIN), 0);
    EXPECT_EQ(send(kTrackbarId, TBM_GETRANGEMAX), 100);
    send(kTrackbarId, TBM_SETPOS, 1, 250);
    EXPECT_EQ(send(kTrackbarId, TBM_GETPOS), 100);
    send(kTrackbarId, TBM_SETRANGEMAX, 0, 1000);
    send(kTrackbarId, TBM_SETRANGEMIN, 0, 150);
    EXPECT_EQ(send(kTrackbarId, TBM_GETPOS), 150) << "the minimum pulls the position up";
    send(kTrackbarId, TBM_SETPOS, 1, -5);
    EXPECT_EQ(send(kTrackbarId, TBM_GETPOS), 150);
    send(kTrackbarId, TBM_SETPOS, 1, 640);
    EXPECT_EQ(send(kTrackbarId, TBM_GETPOS), 640);
    EXPECT_TRUE(g_heard.empty());
}

TEST_F(TextbridgeTest, DraggingATrackbarReportsTheScrollToTheDialog) {
    tb_hwnd trackbar = GetDlgItem(dialog_, kTrackbarId);
    send(kTrackbarId, TBM_SETRANGEMAX, 0, 1000);
    ASSERT_EQ(tb_user_drag(trackbar, 250), 1);
    EXPECT_EQ(send(kTrackbarId, TBM_GETPOS), 250);
    ASSERT_EQ(g_heard.size(), 3u);
    const uint32_t codes[] = {TB_THUMBTRACK, TB_THUMBPOSITION, TB_ENDTRACK};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(g_heard[i].message, WM_HSCROLL);
        EXPECT_EQ(TB_LOWORD(g_heard[i].wparam), codes[i]);
        EXPECT_EQ(g_heard[i].lparam, reinterpret_cast<tb_lparam>(trackbar));
    }
    EXPECT_EQ(TB_HIWORD(g_heard[0].wparam), 250);
    EXPECT_EQ(uGetWindowLong(reinterpret_cast<tb_hwnd>(g_heard[0].lparam), GWL_ID), kTrackbarId);

    tb_user_drag(trackbar, 5000);
    EXPECT_EQ(send(kTrackbarId, TBM_GETPOS), 1000);
}

TEST_F(TextbridgeTest, AProcedureThatAnswersEveryChangeWithAnotherStillReturns) {
    g_echo_text_changes = true;
    EXPECT_EQ(uSetDlgItemText(dialog_, kEditId, "first"), 1);
    EXPECT_STREQ(tb_window_text(GetDlgItem(dialog_, kEditId)), "again");
    EXPECT_LE(g_heard.size(), static_cast<size_t>(2 * TB_MAX_MESSAGE_DEPTH));
}

TEST_F(TextbridgeTest, MessagesToMissingControlsAnswerNothing) {
    EXPECT_EQ(GetDlgItem(dialog_, 999), nullptr);
    EXPECT_EQ(uSendDlgItemMessage(dialog_, 999, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(uSetDlgItemText(dialog_, 999, "x"), 0);
    EXPECT_EQ(uGetWindowLong(nullptr, GWL_ID), 0);
    EXPECT_EQ(tb_user_click(nullptr), 0);
    EXPECT_EQ(tb_user_drag(GetDlgItem(dialog_, kEditId), 3), 0);
}

}  // namespace
