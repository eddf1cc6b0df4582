#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "bytes_util.h"
#include "cli/commands/address_read.h"
#include "cli/output/log_file.h"
#include "cli/output/row_format.h"

// The log of a poll: replaced or added to, checked before rows are added,
// opened again after a rename; and how a collision on the address read shows.
namespace {

const QByteArray kHeader = QByteArray::fromStdString(cli::CsvHeader());
const QByteArray kCsvRow = "2026-12-08T10:00:00.000Z,1,ok,1.52,45.50,,01 03 02 11 C6 34 46\n";
const QByteArray kJsonRow =
    R"({"time":"2026-12-08T10:00:00.000Z","address":1,"outcome":"ok","response_ms":1.52,)"
    R"("humidity":45.50,"temperature":null,"raw":"01 03 02 11 C6 34 46"})"
    "\n";
const QByteArray kInfluxLine = "ht5530k,address=1,port=COM4 humidity=45.50,response_ms=1.52,"
                               "outcome=\"ok\" 1796724000000000000\n";

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

bool WriteFd(int fd, const QByteArray& bytes) {
    return ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
}

} // namespace

class TestCliLogFile : public QObject {
    Q_OBJECT
private slots:
    // What is there before, how it is opened, and what it holds after one
    // more line is written: the header goes only into an empty file.
    void open_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("before"); // "(none)": no file
        QTest::addColumn<bool>("append");
        QTest::addColumn<QString>("error"); // part of it; empty: opened
        QTest::addColumn<bool>("empty");
        QTest::addColumn<QByteArray>("after"); // after "NEW\n" is written
        QTest::addColumn<QString>("note");
        const QByteArray none("(none)");
        QTest::newRow("replaced") << "csv" << kHeader + kCsvRow << false << "" << true
                                  << QByteArray("NEW\n") << "";
        QTest::newRow("append to no file")
            << "csv" << none << true << "" << true << QByteArray("NEW\n") << "";
        QTest::newRow("append to an empty file")
            << "csv" << QByteArray() << true << "" << true << QByteArray("NEW\n") << "";
        QTest::newRow("csv to csv")
            << "csv" << kHeader + kCsvRow << true << "" << false << kHeader + kCsvRow + "NEW\n"
            << "";
        QTest::newRow("csv to another header")
            << "csv" << QByteArray("a,b,c\n1,2,3\n") << true
            << "holds other rows than these: its first line is \"a,b,c\", not the CSV header "
               "time,address,outcome,response_ms,humidity,temperature,raw"
            << false << QByteArray("a,b,c\n1,2,3\n") << "";
        QTest::newRow("csv to a JSON lines log")
            << "csv" << kJsonRow << true << "not the CSV header" << false << kJsonRow << "";
        QTest::newRow("jsonl to jsonl")
            << "jsonl" << kJsonRow << true << "" << false << kJsonRow + "NEW\n"
            << "";
        QTest::newRow("jsonl to a csv log")
            << "jsonl" << kHeader + kCsvRow << true
            << "not a JSON row with the keys address, humidity, outcome, raw, response_ms, "
               "temperature, time"
            << false << kHeader + kCsvRow << "";
        QTest::newRow("jsonl to rows of other keys")
            << "jsonl" << QByteArray("{\"time\":\"x\",\"value\":1}\n") << true << "not a JSON row"
            << false << QByteArray("{\"time\":\"x\",\"value\":1}\n") << "";
        QTest::newRow("influx to influx")
            << "influx" << kInfluxLine << true << "" << false << kInfluxLine + "NEW\n"
            << "";
        QTest::newRow("influx to a csv log") << "influx" << kHeader + kCsvRow << true
                                             << "not an InfluxDB line of the measurement ht5530k"
                                             << false << kHeader + kCsvRow << "";
        QTest::newRow("influx to another measurement")
            << "influx" << QByteArray("ht5530k_other,a=1 v=1 1\n") << true << "not an InfluxDB line"
            << false << QByteArray("ht5530k_other,a=1 v=1 1\n") << "";
        QTest::newRow("csv to an influx log")
            << "csv" << kInfluxLine << true << "not the CSV header" << false << kInfluxLine << "";
        QTest::newRow("text: not checked") << "text" << QByteArray("anything\n") << true << ""
                                           << false << QByteArray("anything\nNEW\n") << "";
        // The next row would otherwise be glued to the broken one.
        QTest::newRow("a last row cut short is cut off")
            << "csv" << kHeader + kCsvRow + "2026-12-08T1" << true << "" << false
            << kHeader + kCsvRow + "NEW\n"
            << "ended in the middle of a row: its last 12 bytes";
        QTest::newRow("no whole row at all")
            << "text" << QByteArray("abc") << true << "does not end with a whole row" << false
            << QByteArray("abc") << "";
    }
    void open() {
        QFETCH(QString, format);
        QFETCH(QByteArray, before);
        QFETCH(bool, append);
        QFETCH(QString, error);
        QFETCH(bool, empty);
        QFETCH(QByteArray, after);
        QFETCH(QString, note);
        QTemporaryDir folder;
        const QString path = folder.filePath("log");
        if (before != "(none)") {
            Write(path, before);
        }
        cli::LogFile log;
        const auto refused = log.open(path.toStdString(), format.toStdString(), append);
        if (error.isEmpty()) {
            QVERIFY2(!refused, refused ? refused->c_str() : "");
            QCOMPARE(log.empty(), empty);
            QVERIFY(WriteFd(log.fd(), "NEW\n"));
            QCOMPARE(QString::fromStdString(log.note()).contains(note), true);
            QCOMPARE(log.note().empty(), note.isEmpty());
        } else {
            QVERIFY(refused);
            QVERIFY2(QString::fromStdString(*refused).contains(error), refused->c_str());
            QVERIFY(QString::fromStdString(*refused).startsWith(path));
        }
        QCOMPARE(Contents(path), after);
    }

    // logrotate: the file renamed, then reopened. What was written before is
    // in the old file, what comes after in the new one, through the same
    // descriptor number.
    void reopenAfterARename() {
        QTemporaryDir folder;
        const QString path = folder.filePath("day.csv");
        cli::LogFile log;
        QVERIFY(!log.open(path.toStdString(), "csv", false));
        const int fd = log.fd();
        QVERIFY(WriteFd(fd, kHeader + "one\n"));
        QVERIFY(QFile::rename(path, path + ".1"));
        QVERIFY(WriteFd(fd, "two\n")); // between the rename and the signal
        QVERIFY(!log.reopen());
        QCOMPARE(log.fd(), fd);
        QVERIFY(log.empty());
        QVERIFY(WriteFd(fd, kHeader + "three\n"));
        QCOMPARE(Contents(path + ".1"), kHeader + "one\ntwo\n");
        QCOMPARE(Contents(path), kHeader + "three\n");

        // A file of other rows at the path: the rows go on into the one open.
        QVERIFY(QFile::rename(path, path + ".2"));
        Write(path, "a,b\n");
        const auto refused = log.reopen();
        QVERIFY(refused);
        QVERIFY2(refused->find("holds other rows") != std::string::npos, refused->c_str());
        QVERIFY(WriteFd(fd, "four\n"));
        QCOMPARE(Contents(path + ".2"), kHeader + "three\nfour\n");
        QCOMPARE(Contents(path), QByteArray("a,b\n"));
    }

    // Several modules answering the shared address: their answers collide.
    void collision_data() {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("received");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("text"); // empty: no collision
        using master::Outcome;
        const QString sound = "01 25 02 00 01 00 00";
        QTest::newRow("one sound answer") << int(Outcome::Ok) << sound << 7 << "";
        QTest::newRow("nothing") << int(Outcome::Timeout) << "" << 0 << "";
        QTest::newRow("an exception") << int(Outcome::Exception) << "01 A5 01 00 00" << 5 << "";
        QTest::newRow("a second answer after the first")
            << int(Outcome::Ok) << sound + " 03 25" << 7
            << "a sound answer from address 1, then 2 more bytes: " + sound + " 03 25";
        QTest::newRow("garbage") << int(Outcome::Crc) << "03 25 02 00 03 F1 F1" << 7
                                 << "bad CRC: 03 25 02 00 03 F1 F1";
        QTest::newRow("too short")
            << int(Outcome::Short) << "03 25 02" << 0 << "short answer: 03 25 02";
        QTest::newRow("another function") << int(Outcome::WrongFunction) << "03 05 02 00 03 00 00"
                                          << 7 << "garbled answer: 03 05 02 00 03 00 00";
    }
    void collision() {
        QFETCH(int, outcome);
        QFETCH(QString, received);
        QFETCH(int, length);
        QFETCH(QString, text);
        master::Exchange exchange;
        exchange.attempt.verdict.outcome = static_cast<master::Outcome>(outcome);
        exchange.attempt.verdict.length = static_cast<std::size_t>(length);
        exchange.attempt.received = Bytes(received);
        const auto collision = cli::Collision(exchange);
        QCOMPARE(collision ? QString::fromStdString(*collision) : QString(), text);
    }
};

QTEST_GUILESS_MAIN(TestCliLogFile)
#include "test_cli_log_file.moc"
