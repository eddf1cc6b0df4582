#include "form/request_sender.h"

#include <QLineEdit>

#include "codec/hex_text.h"
#include "form/line_text.h"

void PrepareReceive(CommControl& port) {
    port.setInBufferCount(0);
    port.setInputLen(0);
    port.setInputMode(1);
    port.setRThreshold(0);
}

void ArmAndShow(Form& form, const codec::Request& request) {
    form.state.RecKind = static_cast<std::int16_t>(request.RecKind);
    form.state.RecLength = request.RecLength;
    form.state.CmdText = QString::fromStdString(codec::SentHexText(request.bytes));
    form.MSComm1.setRThreshold(request.threshold);
    SetLineText(*form.ui.txtCommand, form.state.CmdText);
}

QByteArray FrameBytes(const codec::Request& request) {
    return QByteArray(reinterpret_cast<const char*>(request.bytes.data()),
                      static_cast<qsizetype>(request.bytes.size()));
}
