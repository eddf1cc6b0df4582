#include "module_setup/adjustment_write.h"

#include <QLineEdit>

#include "module_setup/adjustment_rules.h"
#include "module_setup/configuration_request.h"

void cmdSet_Click(Form& form, int row) {
    const module_setup::AdjustDecision decision = module_setup::CheckAdjustment(
        row, form.ui.txtsetValue[static_cast<std::size_t>(row)]->text().toStdString());
    if (!decision.request) {
        form.messages.show(QString::fromStdString(decision.refusal));
        return;
    }
    SendConfigurationRequest(form, *decision.request);
}
