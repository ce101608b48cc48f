#pragma once
// The number rules of the scene text. Integers: an optional '+' and 1 to 9 decimal digits ("0030" is 30).
// Decimals: an optional sign, digits with at most one point and at least one digit (".5", "12."), then an
// optional exponent 'e' or 'E', a sign and 1 to 3 digits, applied as a product or quotient by 10^E in double.
// Any other text, and a decimal that is not finite, reads as 0.

#include <cstdint>
#include <string_view>

// The value, or 0 with *valid (when given) set false for text outside the rule.
int32_t lwsInteger(std::string_view text, bool* valid = nullptr);
double lwsDecimal(std::string_view text);
// A decimal truncated toward zero into an int32 (flags and end behaviours), saturating at the int32 range.
int32_t lwsTruncated(std::string_view text);
