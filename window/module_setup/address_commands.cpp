#include "module_setup/address_commands.h"

#include <QLineEdit>

#include "module_setup/address_rules.h"
#include "module_setup/configuration_request.h"

void cmdReadAdd_Click(Form& form) {
    SendConfigurationRequest(form, codec::AddressRead());
}

void cmdChangeID_Click(Form& form) {
    const module_setup::ChangeDecision decision = module_setup::CheckAddressChange(
        form.ui.txtSetID[0]->text().toStdString(), form.ui.txtSetID[1]->text().toStdString());
    if (!decision.request) {
        form.messages.show(QString::fromStdString(decision.refusal));
        return;
    }
    SendConfigurationRequest(form, *decision.request);
}
