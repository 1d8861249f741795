#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace app {

// The lines joined by the platform's line ending, none after the last. The
// line-ending objects are all taken before the first join, so a missing one
// raises the nil-object exception before any text is built.
std::string joinedLines(std::initializer_list<std::string_view> lines);

} // namespace app
