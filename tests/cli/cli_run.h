#pragma once

#include <functional>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

// Runs ht5530k-cli (HT_CLI_PATH, set by the build, unless another program is
// named) to its end and keeps what it printed.
struct CliRun {
    int exitCode = -1; // -1: did not end normally within the wait
    QString out;
    QString err;
};

// `prepare` sets the process up before it starts: where its output goes, what
// its child does before the program runs.
inline CliRun RunCliPrepared(const QStringList& args, const std::function<void(QProcess&)>& prepare,
                             int waitMs = 60'000,
                             const QString& program = QStringLiteral(HT_CLI_PATH)) {
    QProcess process;
    if (prepare) {
        prepare(process);
    }
    process.start(program, args);
    CliRun run;
    if (!process.waitForFinished(waitMs)) {
        process.kill();
        process.waitForFinished(3000);
    } else if (process.exitStatus() == QProcess::NormalExit) {
        run.exitCode = process.exitCode();
    }
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

inline CliRun RunCli(const QStringList& args, int waitMs = 60'000,
                     const QString& program = QStringLiteral(HT_CLI_PATH)) {
    return RunCliPrepared(args, nullptr, waitMs, program);
}

// Debian's own Python, not whatever python3 comes first on PATH.
inline QString SystemPython() {
    return QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
}

// Reads a CSV file with Python's csv module, a parser written elsewhere:
// its header, the number of rows, the rows by outcome, the distinct humidity
// and temperature texts, and whether every time is ISO 8601 UTC with
// milliseconds. An empty object when Python could not run.
inline QJsonObject ReadCsvWithPython(const QString& path) {
    static const char* const kScript = R"(
import csv, json, re, sys
with open(sys.argv[1], newline='') as f:
    reader = csv.DictReader(f, strict=True)
    rows = list(reader)
    header = reader.fieldnames
outcomes = {}
for row in rows:
    outcomes[row['outcome']] = outcomes.get(row['outcome'], 0) + 1
iso = re.compile(r'^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$')
print(json.dumps({
    'header': header,
    'rows': len(rows),
    'outcomes': outcomes,
    'humidity': sorted({row['humidity'] for row in rows}),
    'temperature': sorted({row['temperature'] for row in rows}),
    'times': all(iso.match(row['time']) for row in rows),
    'wide': any(None in row for row in rows),
}))
)";
    QProcess python;
    python.start(SystemPython(), {QStringLiteral("-c"), QString::fromLatin1(kScript), path});
    if (!python.waitForFinished(30'000) || python.exitCode() != 0) {
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}
