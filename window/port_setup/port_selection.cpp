#include "port_setup/port_selection.h"

#include <QComboBox>

#include "codec/number_entry.h"
#include "codec/protocol.h"

namespace {

const QString kLineFormat = QStringLiteral(",N,8,1");

QString SettingsText(std::int16_t rate) {
    return QString::number(rate) + kLineFormat;
}

// Steps shared by both actions: close, check a port is chosen, take its number.
bool ClosePortAndTakeNumber(Form& form) {
    CommControl& port = form.MSComm1;
    if (port.portOpen()) {
        port.setPortOpen(false);
    }
    const int index = form.ui.Combo1->currentIndex();
    if (index < 0) {
        form.messages.show(QStringLiteral("请选择端口"));
        return false;
    }
    port.setCommPort(static_cast<std::int16_t>(index + 1));
    form.state.CommNum = port.commPort();
    return true;
}

void OpenAndArm(Form& form) {
    form.MSComm1.setPortOpen(true);
    OpenOnComm(form.MSComm1);
    form.state.CommReady = true;
}

std::int16_t BaudOfEntry(const QComboBox* list, int index) {
    const auto value = codec::ReadNumber(list->itemText(index).toStdString());
    return value ? static_cast<std::int16_t>(*value) : std::int16_t{0};
}

} // namespace

void OpenOnComm(CommControl& port) {
    port.setRThreshold(1);
    port.setInputMode(1);
}

void CloseOnComm(CommControl& port) {
    port.setRThreshold(0);
    port.setInputMode(1);
}

void Combo1_Click(Form& form) {
    if (!ClosePortAndTakeNumber(form)) {
        return;
    }
    form.MSComm1.setSettings(SettingsText(form.state.CommRate));
    if (form.MSComm1.portOpen()) {
        return;
    }
    OpenAndArm(form);
}

void cmdCom_Click(Form& form) {
    if (!ClosePortAndTakeNumber(form)) {
        return;
    }
    const int baudIndex = form.ui.Combo2->currentIndex();
    form.state.CommRate = BaudOfEntry(form.ui.Combo2, baudIndex >= 0 ? baudIndex : 0);
    form.MSComm1.setSettings(SettingsText(form.state.CommRate));
    if (form.MSComm1.portOpen()) {
        form.messages.show(QStringLiteral("所选的串行端口已被其他设备所使用!"),
                           MessageIcon::Exclamation, QStringLiteral("系统信息"));
        return;
    }
    OpenAndArm(form);

    const auto failure =
        WriteCommSettings(form.settingsPath, {form.state.CommNum, form.state.CommRate});
    if (failure) {
        form.messages.show(QStringLiteral("串口设置保存失败\n") + form.settingsPath +
                               QStringLiteral(": ") + *failure,
                           MessageIcon::Exclamation, QStringLiteral("系统信息"));
        return;
    }
    form.messages.show(QStringLiteral("串口设置保存成功"), MessageIcon::None,
                       QStringLiteral("系统提示"));
}

void RestorePort(Form& form, const CommSettings& saved) {
    CommControl& port = form.MSComm1;
    form.state.CommNum = saved.CommNum;
    form.state.CommRate = saved.CommRate;
    port.setCommPort(form.state.CommNum);

    port.setInputMode(1);
    port.setInputLen(0);
    port.setInBufferCount(0);
    port.setOutBufferCount(0);
    port.setSThreshold(0);
    port.setRThreshold(1);
    port.setInputMode(1);

    form.state.CommRate = codec::RateToApply(form.state.CommRate);
    port.setSettings(SettingsText(form.state.CommRate));

    QComboBox* baudList = form.ui.Combo2;
    for (int i = 0; i < baudList->count(); ++i) {
        if (BaudOfEntry(baudList, i) == form.state.CommRate) {
            baudList->setCurrentIndex(i);
        }
    }

    QComboBox* portList = form.ui.Combo1;
    const QString wanted = QStringLiteral("COM") + QString::number(form.state.CommNum);
    for (int i = 0; i < portList->count(); ++i) {
        if (portList->itemText(i) == wanted) {
            portList->setCurrentIndex(i);
            Combo1_Click(form);
            break;
        }
    }
}
