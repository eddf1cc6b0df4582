#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <QComboBox>
#include <QTemporaryDir>
#include <QtTest>

#include "support/window_checks.h"

// A named pipe where comm.set should be (left by a script, or a link to one):
// start-up must not wait for a writer that never comes, and a save replaces
// the pipe with the file.
class TestSettingsFifo : public QObject {
    Q_OBJECT
private slots:
    void pipeDoesNotBlockStartUp() {
        QTemporaryDir program;
        const QByteArray pipe = QFile::encodeName(program.filePath("comm.set"));
        QVERIFY(::mkfifo(pipe.constData(), 0600) == 0);

        // Should start-up open the pipe and wait, a writer comes after a while
        // and goes at once, so that this test fails instead of hanging.
        std::atomic<bool> started{false};
        std::atomic<bool> rescued{false};
        std::thread rescuer([&] {
            for (int i = 0; i < 100 && !started; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            // Opening for writing without blocking succeeds only while a reader waits.
            const int fd = started ? -1 : ::open(pipe.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                rescued = true;
                ::close(fd);
            }
        });
        WindowFixture window{SettingsLocation(program.path())};
        started = true;
        rescuer.join();
        QVERIFY2(!rescued, "start-up waited for a writer on the pipe");

        ExpectStartedOn(window, 3, 3, QStringLiteral("19200,N,8,1")); // the defaults, COM4

        window.ui().cmdCom->click();
        QCOMPARE(window.messages.texts(), QStringList{QStringLiteral("串口设置保存成功")});
        QFile file(program.filePath("comm.set"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("4,19200\r\n"));
    }
};

QTEST_MAIN(TestSettingsFifo)
#include "test_settings_fifo.moc"
