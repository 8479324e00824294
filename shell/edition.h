#pragma once
// The two editions differ only in their floating-point unit, their version text and the second
// line of their about text. TARNWICK_EDITION_SSE is set by the build (TARNWICK_EDITION).

namespace tarnwick {

#if TARNWICK_EDITION_SSE
inline constexpr bool kSseEdition = true;
inline constexpr const char kVersionText[] = "0.3.3SSE";
inline constexpr const char kEditionLine[] = "SSE-enabled edition -";
#else
inline constexpr bool kSseEdition = false;
inline constexpr const char kVersionText[] = "0.3.3";
inline constexpr const char kEditionLine[] = "vanilla version -";
#endif

}  // namespace tarnwick
