#include "config/adjustment_write.h"

#include <QLineEdit>

#include "config/adjustment_rules.h"
#include "config/configuration_request.h"

void cmdSet_Click(Form& form, int row) {
    const config::AdjustDecision decision = config::CheckAdjustment(
        row, form.ui.txtsetValue[static_cast<std::size_t>(row)]->text().toStdString());
    if (!decision.request) {
        form.messages.show(QString::fromStdString(decision.refusal));
        return;
    }
    SendConfigurationRequest(form, *decision.request);
}
