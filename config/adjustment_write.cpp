#include "config/adjustment_write.h"

#include <QLineEdit>

#include "codec/frames.h"
#include "codec/number_entry.h"
#include "config/configuration_request.h"

std::optional<std::uint16_t> AdjustmentValue(const QString& text) {
    auto v = codec::ReadSingle(text.toStdString());
    // Below -32768 the two's complement would reach the module as a positive
    // value: a sign flip written into its calibration. Refused.
    if (!v || *v > 65535.0F || *v < -32768.0F) {
        return std::nullopt;
    }
    if (*v < 0) {
        *v += 65536.0F;
    }
    const float w = codec::RoundHalfEven(*v);
    // -0.5 up to 0 rounds to 65536, one past the register: that is zero.
    return w >= 65536.0F ? std::uint16_t{0} : static_cast<std::uint16_t>(w);
}

void cmdSet_Click(Form& form, int row) {
    const auto w = AdjustmentValue(form.ui.txtsetValue[static_cast<std::size_t>(row)]->text());
    if (!w) {
        form.messages.show(QStringLiteral("你输入的值有误!"));
        return;
    }
    SendConfigurationRequest(form, codec::AdjustmentWrite(row, *w));
}
