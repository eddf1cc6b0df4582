// The adjustment write's conversion and refusals, without a window.

#include <QtTest>

#include "bytes_util.h"
#include "module_setup/adjustment_rules.h"
#include "window/module_setup/adjustment_cases.h"

class TestAdjustmentRules : public QObject {
    Q_OBJECT
private slots:
    void write_data() { AdjustmentRows(); }
    void write() {
        QFETCH(int, row);
        QFETCH(QString, entry);
        QFETCH(QString, frame);
        const module_setup::AdjustDecision decision =
            module_setup::CheckAdjustment(row, entry.toStdString());
        QCOMPARE(decision.request ? Hex(decision.request->bytes) : QString(), frame);
        QCOMPARE(QString::fromStdString(decision.refusal),
                 frame.isEmpty() ? kBadAdjustment : QString());
        QCOMPARE(module_setup::AdjustmentValue(entry.toStdString()).has_value(), !frame.isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestAdjustmentRules)
#include "test_adjustment_rules.moc"
