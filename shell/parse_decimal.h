#pragma once
// Decimal text to a number, for the values a user types on the preferences page. Accepts
// leading spaces, one sign, digits with "." or "," as the decimal separator, and an exponent
// after "E" or "e". Reading stops at the first byte that does not fit; a text without digits
// gives 0. Digits past the eighteenth only scale the value, and exponents are held to a range
// where the result is already 0 or infinite, so no text can overflow the arithmetic.

namespace tarnwick {

double parse_decimal(const char* text);

}  // namespace tarnwick
