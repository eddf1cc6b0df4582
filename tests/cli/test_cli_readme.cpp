#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "cli_run.h"
#include "support/simulator.h"

// Every example of the README's ht5530k-cli section, run in order as
// written, against the virtual module linked as COM4 in the settings folder
// of a copy of the program: a folder "build" holding ht5530k-cli, comm.set
// with 4,19200 and the link COM4, the current folder its parent, the
// program on PATH. Where an example names hardware, the module stands in:
//   /dev/ttyUSB0 and /dev/serial/by-id/usb-FTDI_... become build/COM4;
//   "pin COM3 ttyUSB0" pins the module's pseudo-terminal instead;
//   the day-long poll (--duration 86400) runs for 2 seconds.
namespace {

struct Example {
    QString command;
    QString comment; // what the README says it gives
};

// The section's text: from its heading to the next one.
QString Section(const QString& readme, const QString& heading) {
    const qsizetype start = readme.indexOf(QStringLiteral("\n## ") + heading + "\n");
    if (start < 0) {
        return {};
    }
    const qsizetype end = readme.indexOf(QStringLiteral("\n## "), start + 4);
    return readme.mid(start, end < 0 ? -1 : end - start);
}

// The indented blocks of Markdown text, each without its indent.
QStringList CodeBlocks(const QString& text) {
    QStringList blocks;
    QString block;
    for (const QString& line : text.split('\n')) {
        if (line.startsWith(QStringLiteral("    "))) {
            block += line.mid(4) + '\n';
        } else if (!line.trimmed().isEmpty() && !block.isEmpty()) {
            blocks << block;
            block.clear();
        }
    }
    if (!block.isEmpty()) {
        blocks << block;
    }
    return blocks;
}

QString Adapted(QString command, const QString& moduleDevice) {
    static const QRegularExpression byId(QStringLiteral("/dev/serial/by-id/usb-FTDI_\\S*"));
    command.replace(byId, QStringLiteral("build/COM4"));
    command.replace(QStringLiteral("-p /dev/ttyUSB0"), QStringLiteral("-p build/COM4"));
    command.replace(QStringLiteral("pin COM3 ttyUSB0"), "pin COM3 " + moduleDevice);
    command.replace(QStringLiteral("--duration 86400"), QStringLiteral("--duration 2"));
    return command;
}

} // namespace

class TestCliReadme : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;
    SimProcess m_sim;

    CliRun Shell(const QString& script, const QStringList& args = {}) {
        QProcess shell;
        shell.setWorkingDirectory(m_folder.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PATH", m_folder.filePath("build") + ':' + environment.value("PATH"));
        shell.setProcessEnvironment(environment);
        shell.start(QStringLiteral("/bin/sh"), QStringList{"-c", script, "sh"} + args);
        CliRun run;
        if (shell.waitForFinished(120'000) && shell.exitStatus() == QProcess::NormalExit) {
            run.exitCode = shell.exitCode();
        }
        run.out = QString::fromUtf8(shell.readAllStandardOutput());
        run.err = QString::fromUtf8(shell.readAllStandardError());
        return run;
    }

private slots:
    void initTestCase() {
        const QString build = m_folder.filePath("build");
        QVERIFY(QDir().mkpath(build));
        QVERIFY(QFile::copy(QStringLiteral(HT_CLI_PATH), build + "/ht5530k-cli"));
        QFile commSet(build + "/comm.set");
        QVERIFY(commSet.open(QIODevice::WriteOnly));
        commSet.write("4,19200\r\n");
        commSet.close();
        // One module at address 1, as the README's examples begin.
        QVERIFY(m_sim.start(build, {"--no-drift", "--humidity", "45.5", "--temperature", "23.25"}));
    }

    void examplesRunAsWritten() {
        if (SystemPython().isEmpty()) {
            QSKIP("/usr/bin/python3 is missing: the README's CSV count needs it");
        }
        QFile file(QStringLiteral(HT_README));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString section = Section(QString::fromUtf8(file.readAll()),
                                        QStringLiteral("The command line: ht5530k-cli"));
        const QStringList blocks = CodeBlocks(section);
        QCOMPARE(blocks.size(), 3); // the examples, the day's log, the end-of-line script

        // One command a line, its comment after a '#'.
        std::vector<Example> examples;
        for (const QString& line : blocks[0].split('\n', Qt::SkipEmptyParts)) {
            const qsizetype hash = line.indexOf(QStringLiteral(" # "));
            QVERIFY2(hash > 0, qPrintable(line));
            examples.push_back({line.left(hash).trimmed(), line.mid(hash + 3).trimmed()});
        }
        QCOMPARE(examples.size(), std::size_t{10});
        for (const Example& example : examples) {
            const QString command = Adapted(example.command, m_sim.device);
            const CliRun run = Shell(command);
            const QString shown = command + "\n" + run.out + run.err;
            if (command.contains(QStringLiteral(" doctor"))) {
                // 1: something of this machine is wrong, not the example.
                QVERIFY2(run.exitCode == 0 || run.exitCode == 1, qPrintable(shown));
                QVERIFY2(run.out.contains("COM3 is " + m_folder.filePath("build/COM3")),
                         qPrintable(shown));
            } else {
                QVERIFY2(run.exitCode == 0, qPrintable(shown));
            }
            if (command.endsWith(QStringLiteral(" address"))) {
                QCOMPARE(run.out, QString("1\n"));
            }
            if (command.contains(QStringLiteral("set-address 12"))) {
                QVERIFY2(run.out.startsWith(QStringLiteral("address 1 -> 12, verified")),
                         qPrintable(shown));
            }
        }

        // The day's log, shortened, and the count of rows that are not ok.
        const CliRun log = Shell(Adapted(blocks[1], m_sim.device));
        QVERIFY2(log.exitCode == 0, qPrintable(blocks[1] + log.err));
        QCOMPARE(log.out, QString("0\n"));

        // The end-of-line script passes, and passes again on a retest.
        const QString script = blocks[2];
        QVERIFY(script.startsWith(QStringLiteral("#!/bin/sh\n")));
        for (int run = 0; run < 2; ++run) {
            const CliRun eol = Shell(script, {"5"});
            QVERIFY2(eol.exitCode == 0, qPrintable(eol.out + eol.err));
            QVERIFY2(eol.out.endsWith(QStringLiteral("module 5 passed\n")), qPrintable(eol.out));
            QVERIFY2(eol.out.startsWith(run == 0 ? QStringLiteral("address 12 -> 5, verified")
                                                 : QStringLiteral("already at 5, verified")),
                     qPrintable(eol.out));
        }

        // The closing paragraph: the program from the build folder, by
        // comm.set and by the relative path of the link.
        QVERIFY(section.contains(QStringLiteral("`build/ht5530k-cli read`")));
        QVERIFY(section.contains(QStringLiteral("`-p build/COM4`")));
        for (const QString& command :
             {QStringLiteral("build/ht5530k-cli -a 5 read"),
              QStringLiteral("build/ht5530k-cli -a 5 -p build/COM4 read")}) {
            const CliRun run = Shell(command);
            QVERIFY2(run.exitCode == 0, qPrintable(command + "\n" + run.err));
            QCOMPARE(run.out, QString("humidity 47.00 %RH\n"));
        }
    }
};

QTEST_GUILESS_MAIN(TestCliReadme)
#include "test_cli_readme.moc"
