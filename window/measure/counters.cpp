#include "measure/counters.h"

#include <QLabel>

#include "codec/number_entry.h"

std::int64_t PollCount(const Form& form) {
    const auto value = codec::ReadNumber(form.ui.lblCounter->text().toStdString());
    return value && codec::InRange(*value, 0, 1e15) ? static_cast<std::int64_t>(*value) : 0;
}

void SetRecCount(Form& form, std::int32_t count) {
    form.state.RecCount = count;
    form.ui.lblErrCounter->setText(QString::number(count));
}

void AddToRecCount(Form& form) {
    // Wraps instead of overflowing after 2^31 notifications.
    SetRecCount(form,
                static_cast<std::int32_t>(static_cast<std::uint32_t>(form.state.RecCount) + 1U));
}
