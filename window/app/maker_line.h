#pragma once

#include <string_view>

#include <QString>

// The window's bottom line: the maker's name, then the telephone number and
// the web address that are given. With neither, the program's version and
// where its help is stand in their place, so the line never shows a number
// or an address that nobody gave.
QString MakerLine(std::string_view phone, std::string_view web, std::string_view version);

// MakerLine with this build's settings: the CMake cache variables
// HT_MAKER_PHONE and HT_MAKER_WEB (empty unless a maker sets them) and the
// project's version.
QString BuiltMakerLine();
