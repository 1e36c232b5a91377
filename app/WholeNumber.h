#pragma once
// The one reader of whole decimal numbers in outside text (version parts, cell references,
// registry values).
#include <optional>
#include <string_view>

namespace zel {

// The number the text spells, when it lies in [min, max]; nullopt for anything else. Digits
// only, with a leading sign only where the range reaches below zero, nothing around them, and
// no more digits than the wider bound has: leading zeros cannot stretch a number without end.
std::optional<long long> ParseWholeNumber(std::string_view text, long long min, long long max);

}  // namespace zel
