#pragma once

#include <map>
#include <string>
#include <variant>
#include <vector>

namespace cli {

// --name ADDRESS=NAME, given once for each module named: the names by
// address, or what is wrong ("bad --name '9=Hall': 9 is not polled (-a)").
// ADDRESS must be one of `polled`, named once; NAME is 1 to 64 characters,
// none of them a control character, the last not a backslash.
std::variant<std::map<int, std::string>, std::string>
ReadModuleNames(const std::vector<std::string>& given, const std::vector<int>& polled);

} // namespace cli
