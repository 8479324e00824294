// The component entry and its static services from inside the plug-in: what the entry point
// keeps, how the host's file name reaches the component-version service and the console, and
// what the about text says. (tarnwick_c_host proves the slot layout on the built libraries.)

#include "shell/component_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/preferences_page_service.h"
#include "shell/component_version.h"
#include "shell/console.h"
#include "shell/edition.h"
#include "shell/host_texts.h"
#include "shell/text_builder.h"
#include "tests/support/test_host.h"

namespace tarnwick {
namespace {

class ComponentEntryTest : public ::testing::Test {
  protected:
    void TearDown() override {
        qarvel_get_interface(nullptr, nullptr);
        component_entry().set_host_texts("", "");
    }

    qarvel::ComponentVersion& version_service() {
        for (qarvel::ServiceFactory* f = component_entry().first_factory(); f != nullptr;
             f = f->next) {
            if (f->class_id == qarvel::kComponentVersionClassId) {
                return *static_cast<qarvel::ComponentVersion*>(f->create());
            }
        }
        ADD_FAILURE() << "no component-version factory";
        std::abort();
    }
    std::string file_name() {
        TextBuilder out("untouched");
        version_service().file_name(&out);
        return out.text();
    }
};

TEST_F(ComponentEntryTest, TheEntryPointKeepsWhatItWasGivenLast) {
    test_host::Services first;
    test_host::Services second;
    int instance = 0;
    qarvel::ComponentEntry* entry = qarvel_get_interface(&first, nullptr);
    EXPECT_EQ(entry, &component_entry());
    EXPECT_EQ(host_services(), &first);
    EXPECT_EQ(qarvel_get_interface(&second, &instance), entry);
    EXPECT_EQ(host_services(), &second);
    EXPECT_EQ(module_instance(), &instance);
    EXPECT_EQ(entry->interface_version(), 35);
}

TEST_F(ComponentEntryTest, TheHostsFileNameIsReportedAndSignsEveryConsoleMessage) {
    test_host::Console console;
    test_host::Services services(&console);
    qarvel_get_interface(&services, nullptr);
    EXPECT_EQ(file_name(), "");

    component_entry().set_host_texts("qarvel 2.1", "/usr/lib/qarvel/libqrv_tarnwick.so");
    EXPECT_EQ(file_name(), "/usr/lib/qarvel/libqrv_tarnwick.so");
    EXPECT_STREQ(host_text_first(), "qarvel 2.1");
    console_message("Rendering error");
    ASSERT_EQ(console.lines().size(), 1u);
    EXPECT_EQ(console.lines()[0].source, "/usr/lib/qarvel/libqrv_tarnwick.so");

    // The host may hand back the very texts it was given.
    component_entry().set_host_texts(host_text_first(), host_file_name());
    EXPECT_EQ(file_name(), "/usr/lib/qarvel/libqrv_tarnwick.so");

    component_entry().set_host_texts(nullptr, "");
    EXPECT_EQ(file_name(), "");
    EXPECT_STREQ(host_text_first(), "");
    console_message("Rendering error");
    ASSERT_EQ(console.lines().size(), 2u);
    EXPECT_EQ(console.lines()[1].source, "");
    EXPECT_EQ(console.references(), 0);
}

TEST_F(ComponentEntryTest, TheFlagIsKeptAndSlotFourDoesNothing) {
    component_entry().set_host_flag(true);
    EXPECT_TRUE(host_flag());
    component_entry().set_host_flag(false);
    EXPECT_FALSE(host_flag());
    component_entry().reserved_slot_4();
}

TEST_F(ComponentEntryTest, TheVersionServiceNamesThisEdition) {
    TextBuilder out;
    version_service().name(&out);
    EXPECT_STREQ(out.text(), "tarnwick");
    version_service().version(&out);
    EXPECT_STREQ(out.text(), kSseEdition ? "0.3.3SSE" : "0.3.3");

    version_service().about(&out);
    std::vector<std::string> lines;
    std::string text = out.text();
    for (size_t at = 0;;) {
        const size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    ASSERT_EQ(lines.size(), 4u) << text;
    EXPECT_EQ(lines[1], kSseEdition ? "SSE-enabled edition -" : "vanilla version -");
    EXPECT_NE(lines[2].find("tarnwick@example.org"), std::string::npos);
    EXPECT_EQ(lines[3], "https://example.org/tarnwick");
}

TEST(JoinTexts, JoinsWithoutTheInnerTerminators) {
    constexpr auto joined = join_texts("ab", "", "c");
    static_assert(joined.size() == 4);
    EXPECT_STREQ(joined.data(), "abc");
}

TEST(PreferencesPageService, WithoutAModuleInstanceThereIsNoPage) {
    qarvel_get_interface(nullptr, nullptr);
    PreferencesPageService service;
    EXPECT_EQ(service.create_page(nullptr), nullptr);
    EXPECT_STREQ(service.name(), "tarnwick");
    EXPECT_STREQ(service.group_name(), "Input");
}

}  // namespace
}  // namespace tarnwick
