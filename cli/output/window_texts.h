#pragma once

#include <string>
#include <string_view>

namespace cli {

// A message of the window, in its Chinese, followed by an English gloss in
// parentheses for whoever reads the log of a script:
// "你输入的值有误! (the value entered is wrong)". A text with no gloss here
// comes back as it is.
std::string Glossed(std::string_view windowText);

} // namespace cli
