#include "shell/console.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace qarvel;

struct Printed {
    int32_t severity;
    std::string message;
    std::string source;
};

class RecordingConsole final : public HostConsole {
  public:
    int32_t release() override { return --references; }
    int32_t add_reference() override { return ++references; }
    Service* query(const ClassId&) override { return nullptr; }
    void print(int32_t severity, const char* message, const char* source) override {
        printed.push_back({severity, message, source});
    }
    int32_t references = 0;
    std::vector<Printed> printed;
};

class FakeServices final : public HostServices {
  public:
    Service* find_service(const ClassId& id, uint32_t index) override {
        ++lookups;
        last_index = index;
        if (console == nullptr || !(id == kConsoleClassId)) return nullptr;
        console->add_reference();
        return console;
    }
    RecordingConsole* console = nullptr;
    int lookups = 0;
    uint32_t last_index = 99;
};

class ConsoleMessage : public ::testing::Test {
  protected:
    void TearDown() override {
        tarnwick::set_host_services(nullptr);
        tarnwick::set_plugin_file_name(nullptr);
    }
    RecordingConsole console;
    FakeServices services;
};

TEST_F(ConsoleMessage, PrintsAtErrorSeverityWithThePluginFileAsSourceAndReleases) {
    services.console = &console;
    tarnwick::set_host_services(&services);
    tarnwick::set_plugin_file_name("qrv_tarnwick.so");

    tarnwick::console_message("Rendering error");

    ASSERT_EQ(console.printed.size(), 1u);
    EXPECT_EQ(console.printed[0].severity, 3);
    EXPECT_EQ(console.printed[0].message, "Rendering error");
    EXPECT_EQ(console.printed[0].source, "qrv_tarnwick.so");
    EXPECT_EQ(services.last_index, 0u);
    EXPECT_EQ(console.references, 0) << "the console reference must be given back";
}

TEST_F(ConsoleMessage, SourceIsEmptyBeforeTheFileNameIsKnown) {
    services.console = &console;
    tarnwick::set_host_services(&services);
    tarnwick::console_message("Couldn't allocate audio buffer.");
    ASSERT_EQ(console.printed.size(), 1u);
    EXPECT_EQ(console.printed[0].source, "");
}

TEST_F(ConsoleMessage, MessageIsDroppedWhenTheHostHasNoConsole) {
    tarnwick::set_host_services(&services);
    tarnwick::console_message("Unable to buffer file in memory.");
    EXPECT_EQ(services.lookups, 1);
    EXPECT_TRUE(console.printed.empty());
}

TEST_F(ConsoleMessage, MessageIsDroppedBeforeTheEntryPointGaveHostServices) {
    tarnwick::console_message("Rendering error");  // must not crash
    EXPECT_EQ(services.lookups, 0);
}

}  // namespace
