#pragma once

#include <memory>
#include <vector>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTcpServer>

// Servers written elsewhere (InfluxDB, Prometheus), started by a test on
// loopback ports of their own and stopped with it, and HTTP through curl.

// Loopback TCP ports no one listens on at this moment, all different: each
// is held until the last is found. Empty when the system gives none.
inline std::vector<quint16> FreeLoopbackPorts(int count) {
    std::vector<std::unique_ptr<QTcpServer>> probes;
    std::vector<quint16> ports;
    for (int i = 0; i < count; ++i) {
        probes.push_back(std::make_unique<QTcpServer>());
        if (!probes.back()->listen(QHostAddress::LocalHost, 0)) {
            return {};
        }
        ports.push_back(probes.back()->serverPort());
    }
    return ports;
}

inline quint16 FreeLoopbackPort() {
    const std::vector<quint16> ports = FreeLoopbackPorts(1);
    return ports.empty() ? 0 : ports.front();
}

struct HttpReply {
    int status = 0; // 0: no answer
    QByteArray body;
};

// curl with `arguments` (the URL among them): the status and the body.
inline HttpReply Curl(const QStringList& arguments) {
    QProcess curl;
    curl.start(QStringLiteral("curl"),
               QStringList{"-s", "-w", "\n%{http_code}", "--max-time", "10"} + arguments);
    HttpReply reply;
    if (!curl.waitForFinished(15'000)) {
        curl.kill();
        curl.waitForFinished(3000);
        return reply;
    }
    QByteArray out = curl.readAllStandardOutput();
    const qsizetype end = out.lastIndexOf('\n');
    reply.status = out.mid(end + 1).toInt();
    reply.body = out.left(end);
    return reply;
}

// A server process that is stopped with its owner.
class ServerProcess {
public:
    ~ServerProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000)) {
                process.kill();
                process.waitForFinished(3000);
            }
        }
    }

    // Starts `program` and waits, at most `waitMs`, until what it has
    // written to standard output and error holds `ready`.
    bool start(const QString& program, const QStringList& arguments, const QByteArray& ready,
               int waitMs = 30'000) {
        if (QStandardPaths::findExecutable(program).isEmpty()) {
            output = program.toUtf8() + " is not installed (scripts/test installs it)";
            return false;
        }
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        const QDeadlineTimer deadline(waitMs);
        while (!output.contains(ready)) {
            if (deadline.hasExpired() ||
                !process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
                return false;
            }
            output += process.readAll();
        }
        return true;
    }

    QProcess process;
    QByteArray output; // what it wrote until it was ready
};
