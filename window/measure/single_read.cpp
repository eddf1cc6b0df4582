#include "measure/single_read.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "form/request_sender.h"
#include "measure/read_fields.h"

ReadOutcome comDoOnce_Click(Form& form) {
    FormControls& ui = form.ui;
    ui.PictureShow->show();
    form.state.CmdText.clear();

    const measure::ReadDecision decision = measure::CheckReadFields(
        {ui.txtStationID->text().toStdString(), ui.txtFunID->text().toStdString(),
         ui.txtDataLength->text().toStdString(), ui.txtStartID->text().toStdString()});
    if (!decision.request) {
        form.messages.show(QString::fromStdString(decision.refusal));
        return ReadOutcome::Refused;
    }

    ui.txtState->clear();

    if (!form.MSComm1.portOpen()) {
        form.messages.show(QStringLiteral("打开串口出错，请确定串口是否已被占用"));
        ui.imgNotConnected->raise();
        form.state.CommReady = false;
        return ReadOutcome::PortClosed;
    }

    ui.ImgYellow->raise();
    PrepareReceive(form.MSComm1);
    ArmAndShow(form, *decision.request);
    form.MSComm1.output(FrameBytes(*decision.request));
    return ReadOutcome::Sent;
}
