#pragma once
// Marks a function that calls operations of host objects. A host may build its objects in C:
// a pointer to a table of operations and nothing more, without the offset-to-top and type
// information words a C++ compiler puts before a table. The plug-in reads only the slots, but
// the sanitizers' vptr check reads those missing words (and crashes on what it finds), so
// functions that call host objects skip that one check; every other check stays on.

#if defined(__GNUC__) || defined(__clang__)
#define TARNWICK_CALLS_HOST __attribute__((no_sanitize("vptr")))
#else
#define TARNWICK_CALLS_HOST
#endif
