#include "cli/output/window_texts.h"

#include <array>
#include <utility>

namespace cli {

namespace {

// The window's refusals that the command line prints.
constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kGlosses{{
    {"你输入的原设备地址格式有误!", "the old device address entered is malformed"},
    {"你输入的目标设备地址格式有误!", "the target device address entered is malformed"},
    {"请指定正确的设备地址，正确值范围为1-35",
     "give a correct device address; the valid range is 1-35"},
    {"请指定正确的设备地址，正确值范围为1-35!",
     "give a correct device address; the valid range is 1-35"},
    {"目标地址与当前地址相同，操作无效!",
     "the target address equals the current address; operation invalid"},
    {"你输入的值有误!", "the value entered is wrong"},
}};

} // namespace

std::string Glossed(std::string_view windowText) {
    for (const auto& [text, gloss] : kGlosses) {
        if (text == windowText) {
            return std::string(windowText) + " (" + std::string(gloss) + ")";
        }
    }
    return std::string(windowText);
}

} // namespace cli
