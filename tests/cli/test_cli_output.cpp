#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "cli_run.h"
#include "support/simulator.h"

// Where the rows of ht5530k-cli go and what happens when they cannot go
// there: a full disk, a full device, a closed standard output, a reader that
// stops; and a poll cut short by a signal.
namespace {

QStringList Line(const SimProcess& sim) {
    return {QStringLiteral("-p"), sim.link, QStringLiteral("-b"), QStringLiteral("19200")};
}

// A disk that fills up after `bytes`: the child may write no file beyond
// them, and write() says so (EFBIG) instead of the signal ending it.
std::function<void(QProcess&)> FileSizeLimit(rlim_t bytes) {
    return [bytes](QProcess& process) {
        process.setChildProcessModifier([bytes] {
            const rlimit limit{bytes, bytes};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, SIG_IGN);
        });
    };
}

std::function<void(QProcess&)> OutputTo(const QString& file) {
    return [file](QProcess& process) { process.setStandardOutputFile(file); };
}

std::function<void(QProcess&)> OutputClosed() {
    return
        [](QProcess& process) { process.setChildProcessModifier([] { ::close(STDOUT_FILENO); }); };
}

// The number before " sent," in the summary.
int Sent(const QString& err) {
    return err.section(" sent,", 0, 0).section('\n', -1).toInt();
}

} // namespace

class TestCliOutput : public QObject {
    Q_OBJECT
private slots:
    // The disk fills up during a poll: status 8 at once, the file named with
    // the system's reason, the summary, and the file ends at its last whole row.
    void pollOnAFullDisk() {
        if (SystemPython().isEmpty()) {
            QSKIP("/usr/bin/python3 is missing: no CSV parser to read the rows back");
        }
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--humidity", "45.5"}));
        const QString csv = folder.filePath("run.csv");
        constexpr rlim_t kLimit = 1000; // about 16 rows of 61 bytes and the header
        QElapsedTimer clock;
        clock.start();
        const CliRun run = RunCliPrepared(
            QStringList{"poll", "--interval", "10", "--count", "1000", "-o", csv} + Line(sim),
            FileSizeLimit(kLimit));
        QVERIFY2(run.exitCode == 8, qPrintable(run.err));
        QVERIFY2(clock.elapsed() < 20'000, "the run went on after the disk was full");
        QVERIFY2(run.err.contains("ht5530k-cli: cannot write " + csv + ": File too large\n"),
                 qPrintable(run.err));
        QVERIFY2(run.err.contains("poll statistics"), qPrintable(run.err));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QVERIFY2(written.endsWith("01 03 02 11 C6 34 46\n"), written.right(80).constData());
        QVERIFY(written.size() <= static_cast<qsizetype>(kLimit));
        // The whole file is rows a CSV parser reads; the row that did not fit
        // was sent and answered, but is not in the file.
        const QJsonObject read = ReadCsvWithPython(csv);
        QVERIFY2(!read.isEmpty(), "Python could not read the CSV");
        QVERIFY(!read["wide"].toBool());
        const int rows = read["rows"].toInt();
        QCOMPARE(read["outcomes"].toObject()["ok"].toInt(), rows);
        QCOMPARE(written.count('\n'), rows + 1);
        QCOMPARE(Sent(run.err), rows + 1);
    }

    // /dev/full as the file or as standard output, and a closed standard
    // output: nothing can be written, and the run says so at once.
    void pollCannotWrite_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("how"); // 0: as given, 1: stdout to /dev/full, 2: stdout closed
        QTest::addColumn<QString>("message");
        QTest::newRow("-o /dev/full") << QStringList{"-o", "/dev/full"} << 0
                                      << "cannot write /dev/full: No space left on device";
        QTest::newRow("standard output on /dev/full")
            << QStringList{} << 1 << "cannot write standard output: No space left on device";
        QTest::newRow("standard output closed")
            << QStringList{} << 2 << "cannot write standard output: Bad file descriptor";
        QTest::newRow("jsonl, standard output closed")
            << QStringList{"--format", "jsonl"} << 2
            << "cannot write standard output: Bad file descriptor";
    }
    void pollCannotWrite() {
        QFETCH(QStringList, args);
        QFETCH(int, how);
        QFETCH(QString, message);
        QTemporaryDir folder;
        SimProcess sim;
        const QString log = folder.filePath("frames.log");
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--log", log}));
        const std::function<void(QProcess&)> prepare = how == 1   ? OutputTo("/dev/full")
                                                       : how == 2 ? OutputClosed()
                                                                  : nullptr;
        const CliRun run = RunCliPrepared(
            QStringList{"poll", "--interval", "50", "--count", "20"} + args + Line(sim), prepare);
        QVERIFY2(run.exitCode == 8, qPrintable(run.err));
        QVERIFY2(run.err.contains("ht5530k-cli: " + message + "\n"), qPrintable(run.err));
        QVERIFY2(run.err.contains("poll statistics"), qPrintable(run.err));
        // Ended at the first row: no 20 requests on the line.
        QVERIFY2(Sent(run.err) <= 1, qPrintable(run.err));
        sim.stop();
        // Nothing but requests reached the module: no row went to the line.
        QFile frames(log);
        QVERIFY(frames.open(QIODevice::ReadOnly));
        const QByteArray text = frames.readAll();
        QVERIFY2(!text.contains("time,") && !text.contains("74 69 6D 65"), text.constData());
    }

    // read and the other commands print their result through the same check.
    void othersCannotWrite_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("read") << QStringList{"read"};
        QTest::newRow("read --format json") << QStringList{"read", "--format", "json"};
        QTest::newRow("address") << QStringList{"address"};
        QTest::newRow("scan") << QStringList{"scan", "--addresses", "1"};
    }
    void othersCannotWrite() {
        QFETCH(QStringList, args);
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift"}));
        const CliRun full = RunCliPrepared(args + Line(sim), OutputTo("/dev/full"));
        QVERIFY2(full.exitCode == 8, qPrintable(full.err));
        QVERIFY2(full.err.contains("ht5530k-cli: cannot write standard output: No space left"),
                 qPrintable(full.err));
        const CliRun closed = RunCliPrepared(args + Line(sim), OutputClosed());
        QVERIFY2(closed.exitCode == 8, qPrintable(closed.err));
        QVERIFY2(closed.err.contains("ht5530k-cli: cannot write standard output"),
                 qPrintable(closed.err));
    }

    // `poll | head`: the reader stops, and the poll ends quietly by SIGPIPE.
    void pollIntoHead() {
        const QString bash = QStandardPaths::findExecutable(QStringLiteral("bash"));
        if (bash.isEmpty()) {
            QSKIP("bash is missing");
        }
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift"}));
        QProcess shell;
        shell.start(bash, {"-c",
                           "\"$0\" poll --interval 20 -p \"$1\" -b 19200 | head -n 3; "
                           "echo \"status ${PIPESTATUS[0]}\" >&2",
                           QStringLiteral(HT_CLI_PATH), sim.link});
        QVERIFY(shell.waitForFinished(30'000));
        QCOMPARE(Lines(shell.readAllStandardOutput()), 3);
        const QString err = QString::fromUtf8(shell.readAllStandardError());
        QCOMPARE(err, QString("status %1\n").arg(128 + SIGPIPE));
    }

    // SIGINT or SIGTERM while the request waits for its answer: it was sent
    // and not answered, and the run was cut short.
    void signalWhileARequestWaits_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }
    void signalWhileARequestWaits() {
        QFETCH(int, signal);
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--fault", "silent"}));
        QProcess poll;
        poll.start(QStringLiteral(HT_CLI_PATH),
                   QStringList{"poll", "--interval", "1000", "--timeout", "20000"} + Line(sim));
        QVERIFY(poll.waitForStarted());
        // The header is written just before the first request goes out.
        QTRY_VERIFY_WITH_TIMEOUT(poll.canReadLine(), 10'000);
        QTest::qWait(300);
        ::kill(static_cast<pid_t>(poll.processId()), signal);
        QVERIFY(poll.waitForFinished(10'000));
        QCOMPARE(poll.exitStatus(), QProcess::NormalExit);
        const QString err = QString::fromUtf8(poll.readAllStandardError());
        QVERIFY2(poll.exitCode() == 1, qPrintable(err));
        QVERIFY2(err.contains("1 sent, 0 answered, 0 timeouts") && err.contains("100.0% loss"),
                 qPrintable(err));
        QVERIFY2(err.contains("interrupted"), qPrintable(err));
        QCOMPARE(poll.readAllStandardOutput(),
                 QByteArray("time,address,outcome,response_ms,humidity,temperature,raw\n"));
    }

private:
    static int Lines(const QByteArray& text) { return static_cast<int>(text.count('\n')); }
};

QTEST_GUILESS_MAIN(TestCliOutput)
#include "test_cli_output.moc"
