#pragma once

// The adjustment write ("设置") as a table, checked once by its rules and once
// through the window: the row (1 is hidden on the window), the entry, and the
// request sent, or nothing for the one refusal message.

#include <QtTest>

inline const QString kBadAdjustment = QStringLiteral("你输入的值有误!");

// Columns "row", "entry" and "frame" (empty when refused).
inline void AdjustmentRows() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("frame");
    const auto row = [](const char* name, int row, const char* entry, const char* frame) {
        QTest::newRow(name) << row << QString(entry) << QString(frame);
    };
    row("row 0, -80", 0, "-80", "FA 06 0A 00 FF B0 DF DD");
    row("row 1, 200", 1, "200", "FA 06 0A 02 00 C8 3F CF");
    row("65535, the highest", 0, "65535", "FA 06 0A 00 FF FF 9E 29");
    row("-1", 0, "-1", "FA 06 0A 00 FF FF 9E 29");
    row("-32768, the lowest", 0, "-32768", "FA 06 0A 00 80 00 FE 59");
    row("2.5 to even", 0, "2.5", "FA 06 0A 00 00 02 1E 58");
    row("3.5 to even", 0, "3.5", "FA 06 0A 00 00 04 9E 5A");
    row("-2.5", 0, "-2.5", "FA 06 0A 00 FF FE 5F E9");
    row("-1.499 in single precision", 0, "-1.499", "FA 06 0A 00 FF FE 5F E9");
    row("-0.3 is zero, not one past the register", 0, "-0.3", "FA 06 0A 00 00 00 9F 99");
    row("-0.5 sends 0", 0, "-0.5", "FA 06 0A 00 00 00 9F 99");
    row("1000 row 1", 1, "1000", "FA 06 0A 02 03 E8 3E E7");
    row("1001 row 1, label range not enforced", 1, "1001", "FA 06 0A 02 03 E9 FF 27");
    row("65535.5", 0, "65535.5", "");
    row("65536", 0, "65536", "");
    row("-32769 would flip the sign", 0, "-32769", "");
    row("-40000", 0, "-40000", "");
    row("-65535", 0, "-65535", "");
    row("not a number", 0, "abc", "");
    row("empty", 0, "", "");
    row("empty row 1", 1, "", "");
    row("beyond single precision", 0, "1e39", "");
}
