// The inspect tool's text: note names, the compact cell, and the report of a small song.

#include "tools/inspect/module_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "dmf_writer/dmf_writer.h"

namespace tarnwick::inspect {
namespace {

TEST(ModuleReport, NoteNamesFollowTheTrackerConvention) {
    struct Row {
        uint8_t note;
        const char* name;
    };
    for (Row r : {Row{0, "---"}, Row{1, "C-1"}, Row{37, "C-4"}, Row{38, "C#4"}, Row{108, "B-9"},
                  Row{129 + 36, "^C4"}, Row{129 + 1, "^C#1"}, Row{236, "^B9"}, Row{255, "==="},
                  Row{120, "?78"}, Row{128, "?80"}}) {
        EXPECT_EQ(note_name(r.note), r.name) << int(r.note);
    }
}

TEST(ModuleReport, CellShowsEveryByteInStreamOrder) {
    const Cell c{.note = 49,
                 .instrument = 2,
                 .volume = 0xC0,
                 .note_effect = 3,
                 .note_param = 0x47,
                 .instrument_effect = 5,
                 .instrument_param = 0x40};
    EXPECT_EQ(cell_text(c), "C-5 02 C0 0540 0347 ....");
    EXPECT_EQ(cell_text(Cell{}), "--- .. .. .... .... ....");
}

std::string report_of(const writer::Bytes& image, uint32_t rows_shown) {
    Module m;
    EXPECT_EQ(m.load_module_explained(image.data(), image.size()), LoadRefusal::none);
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    print_report(out, m, ReportOptions{rows_shown});
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

TEST(ModuleReport, ReportsTextsOrdersPatternsAndSamples) {
    writer::Song song = writer::minimal_song();
    song.header.title = std::string("Caf\x82", 4);  // code page 437 e-acute
    song.message = "line";
    song.samples[0].library_name = "LIB";
    std::string text = report_of(song.build(), 2);
    EXPECT_NE(text.find("title: \"Caf\\x82\""), std::string::npos) << text;
    EXPECT_NE(text.find("  | line\n"), std::string::npos) << text;
    EXPECT_NE(text.find("orders (1), loop 0..0:\n  0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("pattern 0: 4 rows x 1 tracks, beat 4"), std::string::npos) << text;
    EXPECT_NE(text.find("  0 .... | C-4 01 .. .... .... ...."), std::string::npos) << text;
    EXPECT_NE(text.find("... 2 more rows"), std::string::npos) << text;
    EXPECT_NE(text.find("\"square\""), std::string::npos) << text;
    EXPECT_NE(text.find("lib \"LIB\""), std::string::npos) << text;
    EXPECT_NE(text.find("len 32, loop 0..31, rate 8363 Hz"), std::string::npos) << text;
}

}  // namespace
}  // namespace tarnwick::inspect
