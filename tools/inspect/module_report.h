#pragma once
// A plain-text account of a loaded Module: header texts, message, orders, patterns with a
// compact dump of their first rows, and samples.

#include <cstdint>
#include <cstdio>
#include <string>

#include "loader/module.h"

namespace tarnwick::inspect {

struct ReportOptions {
    uint32_t rows_shown = 8;  // rows dumped per pattern; UINT32_MAX for all
};

// "C-4" for note 37, "^C4" for a portamento target, "===" for note off, "---" for none.
std::string note_name(uint8_t note);
// One cell: note, instrument, volume, then instrument, note and volume effects as type:param.
std::string cell_text(const Cell& cell);

void print_report(std::FILE* out, const Module& module, const ReportOptions& options = {});

}  // namespace tarnwick::inspect
