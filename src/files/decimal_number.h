#pragma once
// Numbers as the file layouts write them: decimal digits, an optional sign and (for a number) an optional
// "." with decimals. No hexadecimal, no exponent, no "inf" or "nan": "0x3" or "1e3" is not a number here.
// Every reader of numbers in a file goes through these.
#include <string>
#include <string_view>

namespace kiwora {

// Optional sign, digits, optional "." and decimals; at least one digit. Blanks around it are dropped.
bool parseDecimal(std::string_view text, double& value);
// A decimal number written as a whole one ("3", "-1", "3.0", "3.000"; not "3.0000000000000000001", which
// rounds to 3), within +-1e15.
bool parseWholeDecimal(std::string_view text, long long& value);

// The shortest text in that form that reads back as exactly `value` ("0.0000001", never "1E-07"), so that
// what a writer puts in a file the readers take back. `value` must be finite.
std::string decimalText(double value);

}  // namespace kiwora
