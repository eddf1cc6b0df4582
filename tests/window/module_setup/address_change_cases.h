#pragma once

// The address change ("执行") as a table, checked once by its rules and once
// through the window: the current and the new address as typed, and the
// request sent or the message shown instead.

#include <QtTest>

inline const QString kBadCurrentAddress = QStringLiteral("你输入的原设备地址格式有误!");
inline const QString kBadNewAddress = QStringLiteral("你输入的目标设备地址格式有误!");
inline const QString kAddressBelow = QStringLiteral("请指定正确的设备地址，正确值范围为1-35");
inline const QString kAddressAbove = kAddressBelow + QLatin1Char('!');
inline const QString kSameAddress = QStringLiteral("目标地址与当前地址相同，操作无效!");

// Columns "current", "next", "frame" (empty when refused) and "message"
// (empty when sent).
inline void AddressChangeRows() {
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("message");
    const auto sent = [](const char* name, const char* current, const char* next,
                         const char* frame) {
        QTest::newRow(name) << QString(current) << QString(next) << QString(frame) << QString();
    };
    const auto refused = [](const char* name, const char* current, const char* next,
                            const QString& message) {
        QTest::newRow(name) << QString(current) << QString(next) << QString() << message;
    };
    sent("1 -> 2", "1", "2", "01 06 0B 00 00 02 0A 2F");
    sent("2 -> 5", "2", "5", "02 06 0B 00 00 05 4B DE");
    sent("1 -> 35", "1", "35", "01 06 0B 00 00 23 CA 37");
    sent("34 -> 35", "34", "35", "22 06 0B 00 00 23 CD 64");
    sent("1 -> 2.9 floors", "1", "2.9", "01 06 0B 00 00 02 0A 2F");
    sent("integer parts", "1.9", "7.2", "01 06 0B 00 00 07 CA 2C");
    sent("200 -> 5", "200", "5", "C8 06 0B 00 00 05 5A 74");
    sent("current 255", "255", "1", "FF 06 0B 00 00 01 5F F0");
    refused("same 1", "1", "1", kSameAddress);
    refused("3.2/3.7 same", "3.2", "3.7", kSameAddress);
    refused("3/3.7 same", "3", "3.7", kSameAddress);
    refused("0/0 range before same", "0", "0", kAddressBelow);
    refused("current 0", "0", "5", kAddressBelow);
    refused("new 0", "1", "0", kAddressBelow);
    refused("new 0 from 5", "5", "0", kAddressBelow);
    refused("new 0.5 is 0", "5", "0.5", kAddressBelow);
    refused("new -3", "1", "-3", kAddressBelow);
    refused("current -0.5 floors to -1", "-0.5", "3", kAddressBelow);
    refused("new 36", "1", "36", kAddressAbove);
    refused("40/40 same before upper bound", "40", "40", kSameAddress);
    refused("300/300 same before range", "300", "300", kSameAddress);
    refused("range before current byte", "300", "36", kAddressAbove);
    refused("both letters", "a", "b", kBadCurrentAddress);
    refused("current not a number", "x", "y", kBadCurrentAddress);
    refused("current empty", "", "2", kBadCurrentAddress);
    refused("current empty, new 5", "", "5", kBadCurrentAddress);
    refused("new not a number", "1", "x", kBadNewAddress);
    refused("new y", "1", "y", kBadNewAddress);
    refused("current beyond a byte", "256", "2", kBadCurrentAddress);
    refused("current 256 to 1", "256", "1", kBadCurrentAddress);
    refused("current 1e308", "1e308", "2", kBadCurrentAddress);
}
