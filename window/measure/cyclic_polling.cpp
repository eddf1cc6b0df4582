#include "measure/cyclic_polling.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "codec/number_entry.h"
#include "measure/counters.h"
#include "measure/single_read.h"

namespace {
constexpr double kMinInterval = 50;
constexpr double kMaxInterval = 60000;
constexpr std::int64_t kPollCountLimit = 65535;
} // namespace

void cmdOneM_Click(Form& form) {
    FormControls& ui = form.ui;
    ui.PictureShow->show();
    ui.lblCounter->setText(QStringLiteral("1"));
    SetRecCount(form, 1);

    const auto interval = codec::ReadNumber(ui.txtTimerSet->text().toStdString());
    if (!interval) {
        form.messages.show(
            QStringLiteral("你输入的定时时长格式有误，应该为数字，值范围为100-60000!"));
        return;
    }
    const double whole = codec::IntegerPart(*interval);
    if (whole < kMinInterval || whole > kMaxInterval) {
        form.messages.show(
            QStringLiteral("你输入的定时时长格式有误，应该为数字，值范围为50-60000!"));
        return;
    }
    ui.Timer2->start(static_cast<int>(codec::RoundHalfEven(*interval)));
}

void cmdStopOnce_Click(Form& form) {
    form.ui.PictureShow->show();
    form.ui.Timer2->stop();
}

void Timer2_Timer(Form& form) {
    FormControls& ui = form.ui;
    if (!codec::IsNumber(ui.txtDataLength->text().toStdString())) {
        ui.txtDataLength->setText(QStringLiteral("1"));
    }
    if (PollCount(form) > kPollCountLimit) {
        ui.lblCounter->setText(QStringLiteral("0"));
    }
    if (!form.state.CommReady) {
        return;
    }
    ui.lblCounter->setText(QString::number(PollCount(form) + 1));
    // A refused field would otherwise bring its message back at every tick and
    // the operator could never reach "停止": stop polling once it is closed.
    if (comDoOnce_Click(form) == ReadOutcome::Refused) {
        ui.Timer2->stop();
    }
}
