#include "module_setup/configuration_request.h"

#include <QLabel>
#include <QPlainTextEdit>

#include "form/request_sender.h"

void SendConfigurationRequest(Form& form, const codec::Request& request) {
    form.ui.txtState->clear();
    form.state.CmdText.clear();
    PrepareReceive(form.MSComm1);
    ArmAndShow(form, request);
    if (form.MSComm1.portOpen()) {
        form.ui.imgConnected->raise();
        form.MSComm1.output(FrameBytes(request));
    } else {
        form.ui.imgNotConnected->raise();
    }
}
