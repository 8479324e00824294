#pragma once
// The two texts the host hands over through ComponentEntry slot 5, and its flag of slot 6.
// The second text is the plug-in's file name: the component-version service reports it and
// console messages carry it as their source.
//
// Limits and choices:
// - Each text is copied in full; an empty or null text frees the copy and leaves none (the
//   file name then reads as ""). A copy that cannot be had leaves none either.
// - The copies are freed at library shutdown.
// - Written only by the host's slot 5 and 6 calls, which it makes before it creates services;
//   no lock.

namespace tarnwick {

// Replaces the copies of both texts, first then second.
void set_host_texts(const char* first, const char* second);
// The copies; "" when there is none.
const char* host_text_first();
const char* host_file_name();

void set_host_flag(bool flag);
bool host_flag();

}  // namespace tarnwick
