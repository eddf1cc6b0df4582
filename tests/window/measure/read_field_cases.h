#pragma once

// The register read's four fields as tables, checked once by their rules and
// once through the window's "单次": station, function code, data length and
// start address as typed, and the request sent or the message shown instead.

#include <QtTest>

inline const QString kBadStation = QStringLiteral("你输入的设备地址格式有误!");
inline const QString kBadFunction = QStringLiteral("你输入的功能码格式有误!");
inline const QString kBadLength = QStringLiteral("你输入的数据长度格式有误!");
inline const QString kBadStart = QStringLiteral("你输入的起始地址格式有误!");
inline const QString kLengthRange = QStringLiteral("你输入的数据长度格式有误,正确的值应该为1-2!");

// Columns "fields" (station, function, length, start), "frame" and
// "awaited", the length of the awaited response.
inline void AcceptedReadRows() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<int>("awaited");
    const auto row = [](const char* name, const QStringList& fields, const char* frame,
                        int awaited) {
        QTest::newRow(name) << fields << QString(frame) << awaited;
    };
    row("after start-up", {"1", "3", "1", "0"}, "01 03 00 00 00 01 84 0A", 7);
    row("two registers", {"2", "3", "2", "0"}, "02 03 00 00 00 02 C4 38", 9);
    row("station 2", {"2", "3", "1", "0"}, "02 03 00 00 00 01 84 39", 7);
    row("blanks around", {" 1 ", "3", " 1", "0 "}, "01 03 00 00 00 01 84 0A", 7);
    row("blanks and exponent", {" 1 ", "3e0", "+2", "1"}, "01 03 00 01 00 02 95 CB", 9);
    row("station and start take the integer part", {"1.9", "3", "2.9", "5.7"},
        "01 03 00 05 00 02 D4 0A", 9);
    row("integer part and half to even up", {"2.9", "3.5", "1.9", "0"}, "02 04 00 00 00 01 31 F9",
        7);
    row("function 3.5 rounds to even 4", {"1", "3.5", "1", "0"}, "01 04 00 00 00 01 31 CA", 7);
    row("function 2.5 rounds to even 2", {"1", "2.5", "1", "0"}, "01 02 00 00 00 01 B9 CA", 7);
    row("station 255", {"255", "3", "1", "0"}, "FF 03 00 00 00 01 91 D4", 7);
    row("station 256 sends 0", {"256", "3", "1", "0"}, "00 03 00 00 00 01 85 DB", 7);
    row("station 300 sends 0", {"300", "3", "1", "0"}, "00 03 00 00 00 01 85 DB", 7);
    row("negative station sends 0", {"-1", "3", "1", "0"}, "00 03 00 00 00 01 85 DB", 7);
    row("function 256 sends 0", {"1", "256", "1", "0"}, "01 00 00 00 00 01 C0 0A", 7);
    row("negative start sends 0", {"1", "3", "1", "-1"}, "01 03 00 00 00 01 84 0A", 7);
}

// Columns "fields" and "message": the first check that fails, in the order
// the fields are read.
inline void RefusedReadRows() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("message");
    const auto row = [](const char* name, const QStringList& fields, const QString& message) {
        QTest::newRow(name) << fields << message;
    };
    row("empty station", {"", "3", "1", "0"}, kBadStation);
    row("station first when all are bad", {"x", "y", "z", "w"}, kBadStation);
    row("station, with function empty too", {"x", "", "1", "0"}, kBadStation);
    row("decimal comma", {"1,5", "3", "1", "0"}, kBadStation);
    row("function", {"1", "", "1", "0"}, kBadFunction);
    row("function before length", {"1", "0x03", "z", "w"}, kBadFunction);
    row("length before start", {"1", "3", "one", "w"}, kBadLength);
    row("length before start, z", {"1", "3", "z", "y"}, kBadLength);
    row("start last", {"1", "3", "1", "2,5"}, kBadStart);
    row("start", {"1", "3", "1", "y"}, kBadStart);
    row("range checked after every field", {"1", "3", "5", "x"}, kBadStart);
    row("length 0", {"1", "3", "0", "0"}, kLengthRange);
    row("length 0.5 is 0", {"1", "3", "0.5", "0"}, kLengthRange);
    row("length 0.9", {"1", "3", "0.9", "0"}, kLengthRange);
    row("length 3", {"1", "3", "3", "0"}, kLengthRange);
    row("length -1", {"1", "3", "-1", "0"}, kLengthRange);
}
