// The address change's checks, in their order, without a window.

#include <QtTest>

#include "bytes_util.h"
#include "module_setup/address_rules.h"
#include "window/module_setup/address_change_cases.h"

class TestAddressRules : public QObject {
    Q_OBJECT
private slots:
    void change_data() { AddressChangeRows(); }
    void change() {
        QFETCH(QString, current);
        QFETCH(QString, next);
        QFETCH(QString, frame);
        QFETCH(QString, message);
        const module_setup::ChangeDecision decision =
            module_setup::CheckAddressChange(current.toStdString(), next.toStdString());
        QCOMPARE(QString::fromStdString(decision.refusal), message);
        QCOMPARE(decision.request ? Hex(decision.request->bytes) : QString(), frame);
        if (decision.request) {
            QCOMPARE(decision.request->RecKind, codec::ResponseKind::Configuration);
            QCOMPARE(decision.request->threshold, 6);
        }
    }
};

QTEST_APPLESS_MAIN(TestAddressRules)
#include "test_address_rules.moc"
