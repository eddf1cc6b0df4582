#include "measure/single_read.h"

#include <array>
#include <utility>

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "codec/frames.h"
#include "codec/number_entry.h"
#include "link/request_sender.h"

namespace {

// A converted value outside one byte leaves its byte 0.
std::uint8_t ToByte(double value) {
    return codec::InRange(value, 0, 255) ? static_cast<std::uint8_t>(value) : 0;
}

} // namespace

ReadOutcome comDoOnce_Click(Form& form) {
    FormControls& ui = form.ui;
    ui.PictureShow->show();
    form.state.CmdText.clear();

    // The fields in the order they are checked, each with its message.
    const std::array<std::pair<const QLineEdit*, QString>, 4> fields{{
        {ui.txtStationID, QStringLiteral("你输入的设备地址格式有误!")},
        {ui.txtFunID, QStringLiteral("你输入的功能码格式有误!")},
        {ui.txtDataLength, QStringLiteral("你输入的数据长度格式有误!")},
        {ui.txtStartID, QStringLiteral("你输入的起始地址格式有误!")},
    }};
    std::array<double, 4> numbers{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto number = codec::ReadNumber(fields[i].first->text().toStdString());
        if (!number) {
            form.messages.show(fields[i].second);
            return ReadOutcome::Refused;
        }
        numbers[i] = *number;
    }
    const auto [station, function, dataLength, start] = numbers;
    const double count = codec::IntegerPart(dataLength);
    if (count < 1 || count > 2) {
        form.messages.show(QStringLiteral("你输入的数据长度格式有误,正确的值应该为1-2!"));
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
    const codec::Request request = codec::RegisterRead(
        ToByte(codec::IntegerPart(station)), ToByte(codec::RoundHalfEven(function)),
        ToByte(codec::IntegerPart(start)), ToByte(count));
    ArmAndShow(form, request);
    form.MSComm1.output(FrameBytes(request));
    return ReadOutcome::Sent;
}
