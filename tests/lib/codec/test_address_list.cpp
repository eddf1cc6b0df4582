#include <QtTest>

#include "codec/address_list.h"

namespace {
// The addresses as "1 3 5", or "error: " and the error text.
QString Read(const QString& text, int lowest, int highest) {
    const codec::AddressList list = codec::ParseAddressList(text.toStdString(), lowest, highest);
    if (!list.error.empty()) {
        return "error: " + QString::fromStdString(list.error);
    }
    QStringList addresses;
    for (const std::uint8_t address : list.addresses) {
        addresses << QString::number(address);
    }
    return addresses.join(' ');
}
} // namespace

class TestAddressList : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("highest");
        QTest::addColumn<QString>("read");
        const QString example = "write a list such as 1-8 or 1,3,5-7";
        QTest::newRow("one address") << "17" << 247 << "17";
        QTest::newRow("a range") << "1-8" << 247 << "1 2 3 4 5 6 7 8";
        QTest::newRow("items and a range") << "1,3,5-7" << 247 << "1 3 5 6 7";
        QTest::newRow("order kept") << "5,1,3" << 247 << "5 1 3";
        QTest::newRow("a range high to low") << "8-5,1" << 247 << "8 7 6 5 1";
        QTest::newRow("a range of one") << "4-4" << 247 << "4";
        QTest::newRow("blanks everywhere") << " 1 , 3 - 5\t" << 247 << "1 3 4 5";
        QTest::newRow("leading zeros") << "007" << 247 << "7";
        QTest::newRow("both ends of the range") << "1,247" << 247 << "1 247";
        QTest::newRow("whole range") << "1-255" << 255 << QString();
        QTest::newRow("empty") << "" << 247 << "error: no address given: " + example;
        QTest::newRow("blanks only") << "  " << 247 << "error: no address given: " + example;
        QTest::newRow("empty item")
            << "1,,3" << 247 << "error: an empty item: remove the extra comma, or " + example;
        QTest::newRow("trailing comma")
            << "1," << 247 << "error: an empty item: remove the extra comma, or " + example;
        QTest::newRow("leading comma")
            << ",1" << 247 << "error: an empty item: remove the extra comma, or " + example;
        QTest::newRow("letters") << "1,x" << 247
                                 << "error: 'x' is neither an address nor a range A-B: " + example;
        QTest::newRow("open range")
            << "5-" << 247 << "error: '5-' is neither an address nor a range A-B: " + example;
        QTest::newRow("range without start")
            << "-5" << 247 << "error: '-5' is neither an address nor a range A-B: " + example;
        QTest::newRow("two dashes")
            << "1-2-3" << 247 << "error: '1-2-3' is neither an address nor a range A-B: " + example;
        QTest::newRow("blank inside a number")
            << "1 2" << 247 << "error: '1 2' is neither an address nor a range A-B: " + example;
        QTest::newRow("sign") << "+3" << 247
                              << "error: '+3' is neither an address nor a range A-B: " + example;
        QTest::newRow("colon as mbpoll writes it")
            << "1:8" << 247 << "error: '1:8' is neither an address nor a range A-B: " + example;
        QTest::newRow("zero") << "0-3" << 247
                              << "error: address 0 is out of range: give addresses from 1 to 247";
        QTest::newRow("above the highest")
            << "1,248" << 247 << "error: address 248 is out of range: give addresses from 1 to 247";
        QTest::newRow("above the module's new addresses")
            << "30-36" << 35 << "error: address 36 is out of range: give addresses from 1 to 35";
        QTest::newRow("beyond any integer")
            << "1-99999999999" << 255
            << "error: address 99999999999 is out of range: give addresses from 1 to 255";
        QTest::newRow("twice") << "1,3,1" << 247
                               << "error: address 1 is given twice: give each address once";
        QTest::newRow("overlapping ranges")
            << "1-8,5-9" << 247 << "error: address 5 is given twice: give each address once";
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(int, highest);
        QFETCH(QString, read);
        if (read.isEmpty()) { // the whole range, every address once
            QStringList all;
            for (int address = 1; address <= highest; ++address) {
                all << QString::number(address);
            }
            read = all.join(' ');
        }
        QCOMPARE(Read(text, 1, highest), read);
    }
};

QTEST_APPLESS_MAIN(TestAddressList)
#include "test_address_list.moc"
