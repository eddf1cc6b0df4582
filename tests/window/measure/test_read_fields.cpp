// The register read's field checks and conversions, without a window.

#include <QtTest>

#include "bytes_util.h"
#include "measure/read_fields.h"
#include "window/measure/read_field_cases.h"

namespace {

measure::ReadDecision Check(const QStringList& fields) {
    return measure::CheckReadFields({fields[0].toStdString(), fields[1].toStdString(),
                                     fields[2].toStdString(), fields[3].toStdString()});
}

} // namespace

class TestReadFields : public QObject {
    Q_OBJECT
private slots:
    void accepted_data() { AcceptedReadRows(); }
    void accepted() {
        QFETCH(QStringList, fields);
        QFETCH(QString, frame);
        QFETCH(int, awaited);
        const measure::ReadDecision decision = Check(fields);
        QVERIFY2(decision.request.has_value(), decision.refusal.c_str());
        QVERIFY(decision.refusal.empty());
        QCOMPARE(Hex(decision.request->bytes), frame);
        QCOMPARE(decision.request->RecLength, awaited);
        QCOMPARE(decision.request->threshold, awaited);
        QCOMPARE(decision.request->RecKind, codec::ResponseKind::RegisterRead);
    }

    void refused_data() { RefusedReadRows(); }
    void refused() {
        QFETCH(QStringList, fields);
        QFETCH(QString, message);
        const measure::ReadDecision decision = Check(fields);
        QVERIFY(!decision.request.has_value());
        QCOMPARE(QString::fromStdString(decision.refusal), message);
    }
};

QTEST_APPLESS_MAIN(TestReadFields)
#include "test_read_fields.moc"
