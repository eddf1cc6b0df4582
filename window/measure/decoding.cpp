#include "measure/decoding.h"

#include <QLineEdit>

#include "codec/frames.h"
#include "codec/protocol.h"
#include "form/line_text.h"
#include "measure/counters.h"
#include "measure/register_text.h"

void DecodeRegisters(Form& form, std::span<const std::uint8_t> block) {
    const int length = form.state.RecLength;
    if (!codec::ResponseCrcOk(block, length)) {
        return;
    }
    const std::string start = form.ui.txtStartID->text().toStdString();
    for (int i = 3; i <= length - 3; i += 2) {
        const int k = (i - 3) / 2;
        const std::uint16_t v = codec::RegisterValue(block, k);
        if (v == codec::kNoReading) {
            AddToRecCount(form);
        }
        const auto p = measure::ValueBox(start, k);
        if (!p) {
            continue;
        }
        QLineEdit* box = form.ui.txtValue[static_cast<std::size_t>(*p)];
        const QLineEdit* correction = *p == 0 ? form.ui.txtTAdj : form.ui.txtHAdj;
        if (const auto text = measure::RegisterText(v, correction->text().toStdString())) {
            SetLineText(*box, QString::fromStdString(*text));
        }
        QPalette palette = box->palette();
        palette.setColor(QPalette::Text, Qt::black);
        box->setPalette(palette);
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
