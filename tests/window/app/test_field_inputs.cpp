#include <QtTest>

#include "support/window_checks.h"
#include "window/measure/read_field_cases.h"
#include "window/module_setup/address_change_cases.h"
#include "window/module_setup/adjustment_cases.h"

// Every text box given texts an operator (or a paste) can put there, for every
// command that reads it. The expected message or frame follows the documented
// rules: a number is optional blanks, an optional sign, ASCII digits with an
// optional point and an optional exponent, within the range of a double (a
// smaller magnitude reads as 0); each command converts and checks it in its
// own way.

namespace {

enum class Command {
    Once,    // 单次
    Tick,    // 循环, then one poll
    Cycle,   // 循环 itself
    Set,     // 设置 of row 0
    Change,  // 执行
    Receive, // a two-register read answered with 2500 and 6000
};

// One message and nothing written, one frame written, or the two value boxes'
// texts after the response.
struct Outcome {
    enum Kind { Message, Frame, Boxes } kind = Message;
    QString text;
    QString second;
};

Outcome M(const QString& text) {
    return {Outcome::Message, text, {}};
}
Outcome F(const QString& hex) {
    return {Outcome::Frame, hex, {}};
}
Outcome B(const QString& value0, const QString& value1) {
    return {Outcome::Boxes, value0, value1};
}

// Texts that are not numbers; each field-command pair reacts to all alike.
const QList<QPair<const char*, QString>>& NotNumbers() {
    static const QList<QPair<const char*, QString>> texts = {
        {"empty", QString()},
        {"blanks", QStringLiteral("  \t ")},
        {"10000 digits", QStringLiteral("1234567890").repeated(1000)}, // beyond a double
        {"10000 junk", QStringLiteral(u"e+-.,x#中é ").repeated(1000)},
        {"arabic-indic three", QStringLiteral(u"\u0663")},
        {"emoji", QString::fromUtf8("\xF0\x9F\x98\x80")},
        {"control characters", QString::fromLatin1("\x01\x1b[0m\x7f")},
    };
    return texts;
}

// Texts that are numbers, in the order of Expectation::numbers.
const QList<QPair<const char*, QString>>& Numbers() {
    static const QList<QPair<const char*, QString>> texts = {
        {"1e308", QStringLiteral("1e308")},
        {"-0", QStringLiteral("-0")},
        {"-1e308", QStringLiteral("-1e308")},
        {"1e-400", QStringLiteral("1e-400")}, // below the smallest double: 0
        {"2 after 9999 zeros", QString(9999, QLatin1Char('0')) + QLatin1Char('2')},
    };
    return texts;
}

struct Expectation {
    const char* field;
    Command command;
    Outcome notNumber;
    QList<Outcome> numbers; // 1e308, -0, -1e308, 1e-400, 2
};

const QString kInterval =
    QStringLiteral("你输入的定时时长格式有误，应该为数字，值范围为100-60000!");
const QString kIntervalRange =
    QStringLiteral("你输入的定时时长格式有误，应该为数字，值范围为50-60000!");

// A read with the fields after start-up (1, 3, 0, 1) except the one under test.
const QString kRead = QStringLiteral("01 03 00 00 00 01 84 0A");

QList<Expectation> Expectations() {
    // Station, start and data length take the integer part, the function code
    // rounds half to even; a byte outside 0..255 is sent as 0.
    const Outcome station0 = F("00 03 00 00 00 01 85 DB");
    const Outcome station = M(kBadStation);
    const QList<Outcome> stationNumbers{station0, station0, station0, station0,
                                        F("02 03 00 00 00 01 84 39")};
    const Outcome function0 = F("01 00 00 00 00 01 C0 0A");
    const QList<Outcome> functionNumbers{function0, function0, function0, function0,
                                         F("01 02 00 00 00 01 B9 CA")};
    const QList<Outcome> startNumbers{F(kRead), F(kRead), F(kRead), F(kRead),
                                      F("01 03 00 02 00 01 25 CA")};
    const Outcome range = M(kLengthRange);
    const QList<Outcome> lengthNumbers{range, range, range, range, F("01 03 00 00 00 02 C4 0B")};
    // The value boxes: start below 0 fills none; a correction that is not a
    // number leaves its box as it was ("old"); a correction is added exactly.
    const Outcome both = B("25.00", "60.00");
    const QString huge = QStringLiteral("1") + QString(306, QLatin1Char('0'));
    const QString hugeMinus = QStringLiteral("-") + QString(306, QLatin1Char('9'));
    const Outcome adjust0 = F("FA 06 0A 00 00 00 9F 99");
    const Outcome addressRange = M(kAddressBelow);

    return {
        {"txtStationID", Command::Once, station, stationNumbers},
        {"txtStationID", Command::Tick, station, stationNumbers},
        {"txtFunID", Command::Once, M(kBadFunction), functionNumbers},
        {"txtFunID", Command::Tick, M(kBadFunction), functionNumbers},
        {"txtStartID", Command::Once, M(kBadStart), startNumbers},
        {"txtStartID", Command::Tick, M(kBadStart), startNumbers},
        {"txtStartID", Command::Receive, both, {both, both, B("old", "old"), both, both}},
        {"txtDataLength", Command::Once, M(kBadLength), lengthNumbers},
        // A poll first repairs a data length that is not a number to "1".
        {"txtDataLength", Command::Tick, F(kRead), lengthNumbers},
        {"txtTimerSet",
         Command::Cycle,
         M(kInterval),
         {M(kIntervalRange), M(kIntervalRange), M(kIntervalRange), M(kIntervalRange),
          M(kIntervalRange)}},
        // Single precision: 1e308 does not fit; -0 and 0 are sent as 0.
        {"txtsetValue_0",
         Command::Set,
         M(kBadAdjustment),
         {M(kBadAdjustment), adjust0, M(kBadAdjustment), adjust0, F("FA 06 0A 00 00 02 1E 58")}},
        {"txtTAdj",
         Command::Receive,
         B("old", "60.00"),
         {B(huge + "25.00", "60.00"), both, B(hugeMinus + "75.00", "60.00"), both,
          B("27.00", "60.00")}},
        {"txtHAdj",
         Command::Receive,
         B("25.00", "old"),
         {B("25.00", huge + "60.00"), both, B("25.00", hugeMinus + "40.00"), both,
          B("25.00", "62.00")}},
        // Changing to 3: a current address above 255 is refused as malformed.
        {"txtSetID_0",
         Command::Change,
         M(kBadCurrentAddress),
         {M(kBadCurrentAddress), addressRange, addressRange, addressRange,
          F("02 06 0B 00 00 03 CB DC")}},
        // Changing from 1.
        {"txtSetID_1",
         Command::Change,
         M(kBadNewAddress),
         {M(kAddressAbove), addressRange, addressRange, addressRange,
          F("01 06 0B 00 00 02 0A 2F")}},
    };
}

const char* CommandName(Command command) {
    switch (command) {
    case Command::Once:
        return "once";
    case Command::Tick:
        return "tick";
    case Command::Cycle:
        return "cycle";
    case Command::Set:
        return "set";
    case Command::Change:
        return "change";
    case Command::Receive:
        return "receive";
    }
    return "";
}

} // namespace

Q_DECLARE_METATYPE(Command)
Q_DECLARE_METATYPE(Outcome)

class TestFieldInputs : public QObject {
    Q_OBJECT

private slots:
    void fieldText_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Outcome>("expected");
        QTest::addColumn<bool>("repaired"); // the poll replaces the text by "1"
        for (const Expectation& e : Expectations()) {
            const auto row = [&](const char* name, const QString& text, const Outcome& outcome,
                                 bool repaired) {
                QTest::addRow("%s %s %s", e.field, CommandName(e.command), name)
                    << QString::fromLatin1(e.field) << e.command << text << outcome << repaired;
            };
            for (const auto& [name, text] : NotNumbers()) {
                row(name, text, e.notNumber,
                    e.command == Command::Tick && qstrcmp(e.field, "txtDataLength") == 0);
            }
            for (qsizetype i = 0; i < Numbers().size(); ++i) {
                row(Numbers()[i].first, Numbers()[i].second, e.numbers[i], false);
            }
        }
    }

    void fieldText() {
        QFETCH(QString, field);
        QFETCH(Command, command);
        QFETCH(QString, text);
        QFETCH(Outcome, expected);
        QFETCH(bool, repaired);

        WindowFixture f;
        auto* box = f.window->findChild<QLineEdit*>(field);
        QVERIFY(box);
        f.ui().txtCommand->setText("before");
        f.ui().txtSetID_1->setText("3");
        switch (command) {
        case Command::Once:
            box->setText(text);
            f.ui().comDoOnce->click();
            break;
        case Command::Tick:
            f.ui().cmdOneM->click();
            box->setText(text);
            f.tick();
            QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("2")); // counted either way
            QCOMPARE(f.timer().isActive(), expected.kind != Outcome::Message);
            break;
        case Command::Cycle:
            box->setText(text);
            f.ui().cmdOneM->click();
            QVERIFY(!f.timer().isActive());
            break;
        case Command::Set:
            box->setText(text);
            f.ui().cmdSet_0->click();
            break;
        case Command::Change:
            if (box == f.ui().txtSetID_1) {
                f.ui().txtSetID_0->setText("1");
            }
            box->setText(text);
            f.ui().cmdChangeID->click();
            break;
        case Command::Receive:
            f.ui().txtDataLength->setText("2");
            f.ui().comDoOnce->click();
            f.port.writes.clear();
            f.ui().txtValue_0->setText("old");
            f.ui().txtValue_1->setText("old");
            box->setText(text); // read again when the response is decoded
            f.port.deliver(ReadResponse(1, {2500, 6000}));
            break;
        }

        switch (expected.kind) {
        case Outcome::Message:
            ExpectRefused(f, expected.text);
            break;
        case Outcome::Frame:
            ExpectSent(f, expected.text);
            break;
        case Outcome::Boxes:
            QVERIFY(f.messages.shown.isEmpty());
            QVERIFY(f.port.writes.isEmpty());
            QCOMPARE(f.ui().txtValue_0->text(), expected.text);
            QCOMPARE(f.ui().txtValue_1->text(), expected.second);
            break;
        }
        QCOMPARE(box->text(), repaired ? QStringLiteral("1") : text);
    }
};

QTEST_MAIN(TestFieldInputs)
#include "test_field_inputs.moc"
