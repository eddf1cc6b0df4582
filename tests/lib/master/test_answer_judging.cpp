#include <QtTest>

#include "bytes_util.h"
#include "codec/protocol.h"
#include "master/answer_judging.h"
#include "master/timestamp.h"

// Judging an answer from the bytes received so far and at the time-out,
// and the rows' timestamps.
namespace {

using master::Outcome;

master::Expectation ReadOfOne(std::uint8_t address) {
    return {{address}, codec::kReadHoldingRegisters, 7};
}

QString Judged(const master::Expectation& expected, const char* hex, bool atTimeout) {
    const std::vector<std::uint8_t> bytes = Bytes(hex);
    std::optional<master::Verdict> verdict = master::JudgeSoFar(expected, bytes);
    if (atTimeout) {
        verdict = master::JudgeAtTimeout(expected, bytes);
    }
    if (!verdict) {
        return "wait";
    }
    QString text = QString::fromUtf8(master::OutcomeName(verdict->outcome).data()) + " " +
                   QString::number(verdict->length);
    if (verdict->outcome == Outcome::Exception) {
        text += " code " + QString::number(verdict->exceptionCode);
    }
    return text;
}

} // namespace

class TestAnswerJudging : public QObject {
    Q_OBJECT
private slots:
    void judging_data() {
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<QString>("soFar");
        QTest::addColumn<QString>("atTimeout");
        QTest::newRow("nothing") << ""
                                 << "wait"
                                 << "timeout 0";
        QTest::newRow("sound") << "01 03 02 11 C6 34 46"
                               << "ok 7"
                               << "ok 7";
        QTest::newRow("sound, another behind it") << "01 03 02 11 C6 34 46 01 03"
                                                  << "ok 7"
                                                  << "ok 7";
        QTest::newRow("one byte short") << "01 03 02 11 C6 34"
                                        << "wait"
                                        << "short 6";
        QTest::newRow("only the address") << "01"
                                          << "wait"
                                          << "short 1";
        QTest::newRow("bad CRC") << "01 03 02 11 C6 34 47"
                                 << "crc 7"
                                 << "crc 7";
        QTest::newRow("from address 2") << "02 03 02 11 C6 70 46"
                                        << "wrong-address 7"
                                        << "wrong-address 7";
        QTest::newRow("exception") << "01 83 02 C0 F1"
                                   << "exception 5 code 2"
                                   << "exception 5 code 2";
        QTest::newRow("exception with bad CRC") << "01 83 02 C0 F2"
                                                << "crc 5"
                                                << "crc 5";
        QTest::newRow("exception from address 2") << "02 83 02 30 F1"
                                                  << "wrong-address 5"
                                                  << "wrong-address 5";
        QTest::newRow("sound frame, other function") << "01 04 02 11 C6 35 32"
                                                     << "wait"
                                                     << "wrong-function 7";
        QTest::newRow("noise") << "C3 16 8F 6A"
                               << "wait"
                               << "crc 4";
    }
    void judging() {
        QFETCH(QString, bytes);
        QFETCH(QString, soFar);
        QFETCH(QString, atTimeout);
        const QByteArray hex = bytes.toLatin1();
        QCOMPARE(Judged(ReadOfOne(1), hex.constData(), false), soFar);
        QCOMPARE(Judged(ReadOfOne(1), hex.constData(), true), atTimeout);
    }

    // The address read's answer is counted by its byte 2 and may come from any address.
    void judgingCountedAnswers_data() {
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("from 17") << "11 25 02 00 11 B2 C3"
                                 << "ok 7";
        QTest::newRow("count not yet there") << "11 25"
                                             << "wait";
        QTest::newRow("one short") << "11 25 02 00 11 B2"
                                   << "wait";
    }
    void judgingCountedAnswers() {
        QFETCH(QString, bytes);
        QFETCH(QString, verdict);
        const master::Expectation expected{{}, codec::kReadAddress, 0};
        QCOMPARE(Judged(expected, bytes.toLatin1().constData(), false), verdict);
    }

    // How many bytes the port waits for before it wakes the program: an
    // exception's five first, then the rest of the answer.
    void bytesStillAwaited_data() {
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<int>("fixedLength"); // 0: counted by byte 2
        QTest::addColumn<int>("awaited");
        QTest::newRow("nothing yet, 7 expected") << "" << 7 << 5;
        QTest::newRow("nothing yet, 9 expected") << "" << 9 << 5;
        QTest::newRow("one byte") << "01" << 7 << 4;
        QTest::newRow("five of seven") << "01 03 02 11 C6" << 7 << 2;
        QTest::newRow("six of seven") << "01 03 02 11 C6 34" << 7 << 1;
        QTest::newRow("exception, three of five") << "01 83 02" << 7 << 2;
        QTest::newRow("other function: the time-out decides") << "01 04 02" << 7 << 1;
        QTest::newRow("counted, count not there") << "11 25" << 0 << 1;
        QTest::newRow("counted, three of seven") << "11 25 02" << 0 << 4;
        QTest::newRow("complete") << "01 03 02 11 C6 34 46" << 7 << 1;
    }
    void bytesStillAwaited() {
        QFETCH(QString, bytes);
        QFETCH(int, fixedLength);
        QFETCH(int, awaited);
        const master::Expectation expected{{},
                                           fixedLength > 0 ? codec::kReadHoldingRegisters
                                                           : codec::kReadAddress,
                                           static_cast<std::size_t>(fixedLength)};
        QCOMPARE(static_cast<int>(master::BytesStillAwaited(expected, Bytes(bytes))), awaited);
    }

    void timestamps_data() {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("epoch") << qint64{0} << "1970-01-01T00:00:00.000Z";
        QTest::newRow("milliseconds kept, not rounded")
            << qint64{1714564800999} << "2024-05-01T12:00:00.999Z";
        QTest::newRow("leap day") << qint64{951782400007} << "2000-02-29T00:00:00.007Z";
        QTest::newRow("last second of a year")
            << qint64{1735689599500} << "2024-12-31T23:59:59.500Z";
    }
    void timestamps() {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        const master::WallClock::time_point time{std::chrono::milliseconds(ms)};
        QCOMPARE(QString::fromStdString(master::Timestamp(time)), text);
    }
};

QTEST_APPLESS_MAIN(TestAnswerJudging)
#include "test_answer_judging.moc"
