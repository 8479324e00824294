// Dialog resource 9 as the DLL carries it, read back through the resource API and compared
// field by field with the page's table (decoder/preferences_dialog.cpp), from which the
// resource script is written.

// clang-format off
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "decoder/preferences_dialog.h"
#include "tests/windows/plugin_under_test.h"

#include <windows.h>
// clang-format on

namespace {

// Reads an extended dialog template (DLGTEMPLATEEX and its DLGITEMTEMPLATEEX items) without
// reading past its resource.
class TemplateReader {
  public:
    TemplateReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    bool ok() const { return ok_; }
    uint16_t u16() { return static_cast<uint16_t>(take(2)); }
    uint32_t u32() { return static_cast<uint32_t>(take(4)); }
    int16_t i16() { return static_cast<int16_t>(u16()); }
    uint8_t u8() { return static_cast<uint8_t>(take(1)); }
    // A NUL-terminated UTF-16 text, or an ordinal (0xFFFF, n) written as "#n".
    std::string text_or_ordinal() {
        if (at_ + 2 <= size_ && bytes_[at_] == 0xFF && bytes_[at_ + 1] == 0xFF) {
            u16();
            return "#" + std::to_string(u16());
        }
        std::string text;
        for (uint16_t unit = u16(); ok_ && unit != 0; unit = u16()) text += static_cast<char>(unit);
        return text;
    }
    void align(size_t boundary) { at_ = (at_ + boundary - 1) / boundary * boundary; }
    void skip(size_t n) { take_bytes(n); }

  private:
    uint64_t take(size_t n) {
        const uint8_t* p = take_bytes(n);
        uint64_t v = 0;
        for (size_t i = 0; p != nullptr && i < n; ++i) v |= uint64_t{p[i]} << (8 * i);
        return v;
    }
    const uint8_t* take_bytes(size_t n) {
        if (!ok_ || n > size_ - at_) {
            ok_ = false;
            return nullptr;
        }
        at_ += n;
        return bytes_ + at_ - n;
    }
    const uint8_t* bytes_;
    size_t size_;
    size_t at_ = 0;
    bool ok_ = true;
};

// A window class as Windows compares it: without regard to letter case (windres writes the
// names in capitals), with the predefined classes that a template may name by ordinal.
std::string class_name(const std::string& name) {
    if (name == "#128") return "BUTTON";
    if (name == "#129") return "EDIT";
    if (name == "#130") return "STATIC";
    if (name == "#133") return "COMBOBOX";
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return upper;
}

BOOL CALLBACK note_language(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
    return TRUE;
}

TEST(DialogResourceUnderWine, Resource9IsTheTableCompiledInUSEnglish) {
    HMODULE dll = LoadLibraryExA(plugin_under_test().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(dll, nullptr);
    std::vector<WORD> languages;
    EnumResourceLanguagesW(dll, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(9), note_language,
                           reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, std::vector<WORD>{tarnwick::kPreferencesDialogLanguage});
    HRSRC found = FindResourceExW(dll, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(9),
                                  tarnwick::kPreferencesDialogLanguage);
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(dll, found)));
    ASSERT_NE(bytes, nullptr);
    TemplateReader in(bytes, SizeofResource(dll, found));
    const tb_dialog_template& table = tarnwick::kPreferencesDialog;

    EXPECT_EQ(in.u16(), 1);       // version of the extended template
    EXPECT_EQ(in.u16(), 0xFFFF);  // its signature
    EXPECT_EQ(in.u32(), table.help_id);
    EXPECT_EQ(in.u32(), table.ex_style);
    EXPECT_EQ(in.u32(), table.style);
    const uint16_t count = in.u16();
    EXPECT_EQ(count, table.item_count);
    EXPECT_EQ(in.i16(), table.x);
    EXPECT_EQ(in.i16(), table.y);
    EXPECT_EQ(in.i16(), table.cx);
    EXPECT_EQ(in.i16(), table.cy);
    EXPECT_EQ(in.text_or_ordinal(), "");  // no menu
    EXPECT_EQ(in.text_or_ordinal(), "");  // the default dialog class
    EXPECT_EQ(in.text_or_ordinal(), table.title);
    EXPECT_EQ(in.u16(), table.point_size);
    EXPECT_EQ(in.u16(), table.weight);
    EXPECT_EQ(in.u8(), table.italic);
    EXPECT_EQ(in.u8(), table.charset);
    EXPECT_EQ(in.text_or_ordinal(), table.typeface);
    ASSERT_TRUE(in.ok());

    for (uint16_t i = 0; i < count && i < table.item_count; ++i) {
        const tb_dialog_item& item = table.items[i];
        SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(item.id) + ")");
        in.align(4);
        EXPECT_EQ(in.u32(), item.help_id);
        EXPECT_EQ(in.u32(), item.ex_style);
        EXPECT_EQ(in.u32(), item.style);
        EXPECT_EQ(in.i16(), item.x);
        EXPECT_EQ(in.i16(), item.y);
        EXPECT_EQ(in.i16(), item.cx);
        EXPECT_EQ(in.i16(), item.cy);
        EXPECT_EQ(static_cast<int32_t>(in.u32()), item.id);
        EXPECT_EQ(class_name(in.text_or_ordinal()), class_name(item.window_class));
        EXPECT_EQ(in.text_or_ordinal(), item.text);  // double spaces and all
        in.skip(in.u16());                           // creation data: none expected
        ASSERT_TRUE(in.ok());
    }
    FreeLibrary(dll);
}

}  // namespace
