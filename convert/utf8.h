// UTF-8 out of the core's UTF-16.
#pragma once

#include <string>
#include <string_view>

// Appends the UTF-8 of `units` to `out`. An unpaired surrogate, which valid
// UTF-8 input never yields, becomes U+FFFD.
void AppendUtf8(std::u16string_view units, std::string& out);
