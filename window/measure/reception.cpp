#include "measure/reception.h"

#include <span>

#include <QLabel>
#include <QPlainTextEdit>

#include "codec/frames.h"
#include "codec/hex_text.h"
#include "measure/counters.h"
#include "measure/decoding.h"

void MSComm1_OnComm(Form& form) {
    AddToRecCount(form);
    CommControl& port = form.MSComm1;
    if (port.commEvent() != CommControl::Receive) {
        return;
    }

    const QByteArray received = port.input();
    port.setInBufferCount(0);
    const std::span<const std::uint8_t> block(
        reinterpret_cast<const std::uint8_t*>(received.constData()),
        static_cast<std::size_t>(received.size()));

    form.ui.txtState->setPlainText(QString::fromStdString(codec::ReceivedHexText(block)));

    switch (static_cast<codec::ResponseKind>(form.state.RecKind)) {
    case codec::ResponseKind::RegisterRead:
        DecodeRegisters(form, block);
        break;
    case codec::ResponseKind::Configuration:
        EchoConfiguration(form, block);
        break;
    case codec::ResponseKind::None:
        break;
    }
    form.ui.imgConnected->raise();
}
