#pragma once
// The DLL a Windows test program examines: its first argument (after gtest has taken its own).

#include <string>

const std::string& plugin_under_test();
