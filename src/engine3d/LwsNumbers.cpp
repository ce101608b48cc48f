#include "engine3d/LwsNumbers.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr size_t kMaxIntegerDigits = 9; // below 2^31, so the sum never overflows
constexpr size_t kMaxExponentDigits = 3;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Digits with at most one point and at least one digit: integer digits + fraction digits / 10^count.
bool readMantissa(std::string_view text, double& value)
{
    double whole = 0, fraction = 0;
    int fractionDigits = 0, digits = 0;
    bool point = false;
    for (char c : text) {
        if (c == '.') {
            if (point)
                return false;
            point = true;
        } else if (isDigit(c)) {
            ++digits;
            if (point) {
                fraction = fraction * 10 + (c - '0');
                ++fractionDigits;
            } else {
                whole = whole * 10 + (c - '0');
            }
        } else {
            return false;
        }
    }
    if (digits == 0)
        return false;
    value = whole + (fractionDigits ? fraction / std::pow(10.0, fractionDigits) : 0.0);
    return true;
}

} // namespace

int32_t lwsInteger(std::string_view text, bool* valid)
{
    if (valid)
        *valid = false;
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || text.size() > kMaxIntegerDigits || !std::all_of(text.begin(), text.end(), isDigit))
        return 0;
    int32_t value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    if (valid)
        *valid = true;
    return value;
}

double lwsDecimal(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int exponent = 0;
    bool divide = false;
    const size_t e = text.find_first_of("eE");
    if (e != std::string_view::npos) {
        const std::string_view tail = text.substr(e + 1);
        if (tail.size() < 2 || (tail[0] != '+' && tail[0] != '-') || tail.size() - 1 > kMaxExponentDigits ||
            !std::all_of(tail.begin() + 1, tail.end(), isDigit))
            return 0.0;
        divide = tail[0] == '-';
        for (char c : tail.substr(1))
            exponent = exponent * 10 + (c - '0');
        text = text.substr(0, e);
    }
    double value;
    if (!readMantissa(text, value))
        return 0.0;
    if (exponent) {
        const double power = std::pow(10.0, exponent);
        value = divide ? value / power : value * power;
    }
    if (negative)
        value = -value;
    return std::isfinite(value) ? value : 0.0;
}

int32_t lwsTruncated(std::string_view text)
{
    const double value = std::trunc(lwsDecimal(text));
    return int32_t(std::clamp(value, double(INT32_MIN), double(INT32_MAX)));
}
