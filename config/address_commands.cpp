#include "config/address_commands.h"

#include <QLineEdit>

#include "codec/number_entry.h"
#include "config/configuration_request.h"

namespace {
constexpr double kHighestAddress = 35;
constexpr double kHighestByte = 255;
} // namespace

void cmdReadAdd_Click(Form& form) {
    SendConfigurationRequest(form, codec::AddressRead());
}

void cmdChangeID_Click(Form& form) {
    const auto current = codec::ReadNumber(form.ui.txtSetID[0]->text().toStdString());
    if (!current) {
        form.messages.show(QStringLiteral("你输入的原设备地址格式有误!"));
        return;
    }
    const auto next = codec::ReadNumber(form.ui.txtSetID[1]->text().toStdString());
    if (!next) {
        form.messages.show(QStringLiteral("你输入的目标设备地址格式有误!"));
        return;
    }
    const double from = codec::IntegerPart(*current);
    const double to = codec::IntegerPart(*next);
    if (from < 1 || to < 1) {
        form.messages.show(QStringLiteral("请指定正确的设备地址，正确值范围为1-35"));
        return;
    }
    if (to == from) {
        form.messages.show(QStringLiteral("目标地址与当前地址相同，操作无效!"));
        return;
    }
    if (to > kHighestAddress) {
        form.messages.show(QStringLiteral("请指定正确的设备地址，正确值范围为1-35!"));
        return;
    }
    // The request carries the current address in one byte.
    if (from > kHighestByte) {
        form.messages.show(QStringLiteral("你输入的原设备地址格式有误!"));
        return;
    }
    SendConfigurationRequest(
        form, codec::AddressChange(static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to)));
}
