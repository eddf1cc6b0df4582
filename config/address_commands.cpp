#include "config/address_commands.h"

#include <QLineEdit>

#include "config/address_rules.h"
#include "config/configuration_request.h"

void cmdReadAdd_Click(Form& form) {
    SendConfigurationRequest(form, codec::AddressRead());
}

void cmdChangeID_Click(Form& form) {
    const config::ChangeDecision decision = config::CheckAddressChange(
        form.ui.txtSetID[0]->text().toStdString(), form.ui.txtSetID[1]->text().toStdString());
    if (!decision.request) {
        form.messages.show(QString::fromStdString(decision.refusal));
        return;
    }
    SendConfigurationRequest(form, *decision.request);
}
