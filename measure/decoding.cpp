#include "measure/decoding.h"

#include <cmath>

#include <QLineEdit>

#include "codec/frames.h"
#include "codec/number_entry.h"
#include "codec/value_text.h"
#include "measure/counters.h"

namespace {

constexpr std::uint16_t kNoReading = 65535;
constexpr std::uint16_t kLargestPositive = 20000; // 200.00; above it the value is negative

// The box the first register goes to, from the start address typed in
// txtStartID: 0 for every start of 0 or more, below 0 (no box) for a negative one.
double FirstPosition(const Form& form) {
    const auto start = codec::ReadNumber(form.ui.txtStartID->text().toStdString());
    if (!start) {
        return 0;
    }
    const double s = codec::IntegerPart(*start);
    const double p = s == 0 ? 0 : 2 * (s - 1);
    return p > 1 ? 0 : p;
}

QLineEdit* BoxAt(const Form& form, double p) {
    if (p == 0 || p == 1) {
        return form.ui.txtValue[static_cast<std::size_t>(p)];
    }
    return nullptr;
}

// The register's text, or nothing when its correction is not a number.
std::optional<QString> ValueText(const Form& form, std::uint16_t v, double p) {
    if (v == kNoReading) {
        return QStringLiteral("0");
    }
    if (v > kLargestPositive) {
        return QString::fromStdString(codec::FormatHundredths(std::int64_t{v} - 65536));
    }
    const QLineEdit* correctionBox = std::fmod(p, 2.0) == 0 ? form.ui.txtTAdj : form.ui.txtHAdj;
    const auto correction = codec::ReadDecimal(correctionBox->text().toStdString());
    if (!correction) {
        return std::nullopt;
    }
    return QString::fromStdString(codec::FormatCorrected(v, *correction));
}

} // namespace

void DecodeRegisters(Form& form, std::span<const std::uint8_t> block) {
    const int length = form.state.RecLength;
    if (!codec::ResponseCrcOk(block, length)) {
        return;
    }
    double p = FirstPosition(form);
    for (int i = 3; i <= length - 3; i += 2) {
        const std::uint16_t v = codec::RegisterValue(block, (i - 3) / 2);
        if (v == kNoReading) {
            AddToRecCount(form);
        }
        if (QLineEdit* box = BoxAt(form, p)) {
            if (const auto text = ValueText(form, v, p)) {
                box->setText(*text);
            }
            QPalette palette = box->palette();
            palette.setColor(QPalette::Text, Qt::black);
            box->setPalette(palette);
        }
        p += 1;
    }
}

void EchoConfiguration(Form& form, std::span<const std::uint8_t> block) {
    if (block.empty()) {
        return;
    }
    const QString address = QString::number(block[0]);
    form.ui.txtSetID[0]->setText(address);
    form.ui.txtStationID->setText(address);
}
