// The Windows test programs' main: gtest's options, then the DLL to examine.

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/windows/plugin_under_test.h"

namespace {
std::string g_plugin;
}

const std::string& plugin_under_test() {
    return g_plugin;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s [gtest options] PLUGIN.dll\n", argv[0]);
        return 2;
    }
    g_plugin = argv[1];
    return RUN_ALL_TESTS();
}
