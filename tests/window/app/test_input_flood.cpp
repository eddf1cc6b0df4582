#include <QRandomGenerator>
#include <QtTest>

#include "support/window_fixture.h"

// A line that never stops talking: 1 MiB of random bytes arriving in chunks
// of every size while the window polls. Nothing may grow with the amount
// received: the port keeps at most its 1024-byte buffer, the received text
// shows at most one buffer, and the window still decodes the next response.
class TestInputFlood : public QObject {
    Q_OBJECT

    static constexpr qsizetype kFlood = 1 << 20;
    static constexpr qsizetype kBuffer = CommControl::kInBufferSize;
    static constexpr qsizetype kLongestText = 3 * kBuffer; // " XX" per byte

    static QByteArray Chunk(QRandomGenerator& random) {
        QByteArray chunk(random.bounded(1, 4097), '\0');
        for (char& byte : chunk) {
            byte = static_cast<char>(random.bounded(256));
        }
        return chunk;
    }

private slots:
    void floodWhilePolling() {
        WindowFixture f;
        f.ui().txtDataLength->setText("2");
        f.ui().cmdOneM->click();
        QRandomGenerator random(5530);
        int ticks = 0;
        for (qsizetype delivered = 0; delivered < kFlood;) {
            const QByteArray chunk = Chunk(random);
            f.port.deliver(chunk);
            delivered += chunk.size();
            QVERIFY(f.port.inBufferCount() <= kBuffer);
            QVERIFY(f.ui().txtState->toPlainText().size() <= kLongestText);
            if (random.bounded(4) == 0) {
                f.tick();
                ++ticks;
            }
        }
        QVERIFY(f.messages.shown.isEmpty());
        QCOMPARE(f.port.writes.size(), ticks);
        QCOMPARE(f.ui().lblCounter->text(), QString::number(ticks + 1));

        // Still in order: the next poll's response is decoded.
        f.tick();
        const QByteArray response = ReadResponse(1, {1234, 5678});
        f.port.deliver(response);
        QCOMPARE(f.ui().txtValue_0->text(), QStringLiteral("12.34"));
        QCOMPARE(f.ui().txtValue_1->text(), QStringLiteral("56.78"));
        QCOMPARE(f.ui().txtState->toPlainText(), " " + WindowFixture::Hex(response));
    }

    // While a message box is open, notifications are held and bytes collect in
    // the port; what does not fit its buffer is lost, not queued.
    void floodWhileNotificationsAreHeld() {
        WindowFixture f;
        f.ui().txtStationID->setText("x");
        QRandomGenerator random(35);
        qsizetype largest = 0;
        f.messages.whileOpen = [&] {
            for (qsizetype delivered = 0; delivered < kFlood;) {
                const QByteArray chunk = Chunk(random);
                f.port.deliver(chunk);
                delivered += chunk.size();
                largest = std::max<qsizetype>(largest, f.port.inBufferCount());
            }
        };
        f.ui().comDoOnce->click();
        QCOMPARE(largest, kBuffer);
        // One notification after the box closed took the whole buffer at once.
        QCOMPARE(f.port.inBufferCount(), 0);
        QCOMPARE(f.ui().lblErrCounter->text(), QStringLiteral("1"));
        QCOMPARE(f.ui().txtState->toPlainText().size(), kLongestText);
    }
};

QTEST_MAIN(TestInputFlood)
#include "test_input_flood.moc"
