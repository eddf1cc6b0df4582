#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include "cli_run.h"
#include "support/simulator.h"

// poll --mqtt against a real broker (Debian's mosquitto, on a loopback port
// of its own) and a subscriber (mosquitto_sub): Home Assistant's discovery,
// the states, each module's availability, the last will, and a broker that
// is absent at the start or goes away while the poll goes on.
namespace {

QString Tool(const char* name) {
    return QStandardPaths::findExecutable(
        QString::fromLatin1(name), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
}

// A loopback port nobody listens on now.
int FreePort() {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(socket, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(socket);
    return ntohs(address.sin_port);
}

// mosquitto on 127.0.0.1:`port`, its configuration in `folder`: no
// persistence, anonymous users welcome unless `settings` (more lines of the
// configuration) say otherwise.
class Broker {
public:
    Broker(const QString& folder, int port,
           const QByteArray& settings = QByteArrayLiteral("allow_anonymous true\n"))
        : m_folder(folder) {
        QFile config(folder + "/mosquitto.conf");
        if (config.open(QIODevice::WriteOnly)) {
            config.write(QStringLiteral("listener %1 127.0.0.1\npersistence false\n"
                                        "log_dest stderr\n")
                             .arg(port)
                             .toUtf8() +
                         settings);
            if (::getuid() == 0) {
                config.write("user root\n"); // its files are in a folder only root may read
            }
        }
    }
    ~Broker() { stop(); }

    // Started and listening.
    bool start() {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(Tool("mosquitto"), {"-c", m_folder + "/mosquitto.conf"});
        QByteArray log;
        const QDeadlineTimer deadline(10'000);
        while (!log.contains(" running") && !deadline.hasExpired()) {
            m_process.waitForReadyRead(200);
            log += m_process.readAll();
        }
        return log.contains(" running");
    }
    void stop() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

private:
    QString m_folder;
    QProcess m_process;
};

struct Message {
    bool retained = false;
    QString topic;
    QString payload;
};

// mosquitto_sub on `topic` (every one by default), its messages kept in
// order; `login`: -u USER -P PASSWORD.
class Subscriber {
public:
    explicit Subscriber(int port, const QString& topic = QStringLiteral("#"),
                        const QStringList& login = {}) {
        m_process.start(Tool("mosquitto_sub"),
                        QStringList{"-h", "127.0.0.1", "-p", QString::number(port), "-v", "-F",
                                    "%r %t %p", "-t", topic} +
                            login);
    }
    ~Subscriber() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    // Waits, at most `ms`, until `condition` holds for the messages so far.
    bool waitFor(const std::function<bool(const QList<Message>&)>& condition, int ms = 15'000) {
        const QDeadlineTimer deadline(ms);
        while (!condition(messages)) {
            if (deadline.hasExpired()) {
                return false;
            }
            m_process.waitForReadyRead(100);
            while (m_process.canReadLine()) {
                const QString line = QString::fromUtf8(m_process.readLine()).chopped(1);
                const QStringList parts = line.split(' ');
                if (parts.size() >= 3) {
                    messages.push_back({parts[0] == "1", parts[1], line.section(' ', 2)});
                }
            }
        }
        return true;
    }

    // The last message on `topic`; an empty one when none came.
    Message last(const QString& topic) const {
        for (auto message = messages.crbegin(); message != messages.crend(); ++message) {
            if (message->topic == topic) {
                return *message;
            }
        }
        return {};
    }

    QList<Message> messages;

private:
    QProcess m_process;
};

qsizetype Count(const QList<Message>& messages, const QString& topicPart) {
    return std::count_if(messages.begin(), messages.end(),
                         [&](const Message& message) { return message.topic.contains(topicPart); });
}

QJsonObject Json(const QString& text) {
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

// A state of `address` with its readings: what the bus gives module n,
// 1.00 %RH and 1.00 degree above the one before.
bool SoundState(const Message& message, int address) {
    const QJsonObject state = Json(message.payload);
    return state["address"].toInt() == address && state["outcome"].toString() == "ok" &&
           state["humidity"].toDouble() == 44.0 + address &&
           state["temperature"].toDouble() == 22.0 + address;
}

// The lines a process has written to standard output so far.
int Lines(QProcess& process, QByteArray& kept) {
    kept += process.readAllStandardOutput();
    return static_cast<int>(kept.count('\n'));
}

} // namespace

class TestCliMqtt : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (Tool("mosquitto").isEmpty() || Tool("mosquitto_sub").isEmpty() ||
            Tool("mosquitto_pub").isEmpty()) {
            QSKIP("mosquitto and mosquitto-clients are missing (scripts/test installs them)");
        }
    }

    // Options that cannot work end the run before the port is opened: the
    // usage status, not the lost port's.
    void usageErrors_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message");
        QTest::newRow("bad url") << QStringList{"--mqtt", "tcp://broker"}
                                 << "bad --mqtt 'tcp://broker'";
        QTest::newRow("password in the url")
            << QStringList{"--mqtt", "mqtt://u:pw@broker"} << "never on the command line";
        QTest::newRow("unreadable password file")
            << QStringList{"--mqtt", "mqtt://u@broker", "--mqtt-password-file", "/nonexistent/pw"}
            << "cannot read the password file '/nonexistent/pw'";
    }
    void usageErrors() {
        QFETCH(QStringList, options);
        QFETCH(QString, message);
        const CliRun run = RunCli(
            QStringList{"poll", "--interval", "100", "-p", "/nonexistent/ttyUSB9", "-b", "19200"} +
            options);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
    }

    // A poll of three modules, one of them silent, started before its broker
    // and outliving the broker's restart; then killed.
    void homeAssistantSeesTheBus() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(
            sim.start(folder.path(), {"--address", "1-3", "--no-drift", "--fault", "silent@3"}));
        const int port = FreePort();
        QProcess poll;
        poll.start(QStringLiteral(HT_CLI_PATH),
                   {"poll", "-a", "1-3", "--interval", "200", "--timeout", "40", "--registers", "2",
                    "--format", "jsonl", "--name", "2=Boiler room", "-p", sim.link, "-b", "19200",
                    "--mqtt", QStringLiteral("mqtt://127.0.0.1:%1").arg(port)});
        QVERIFY(poll.waitForStarted(5000));
        QByteArray rows;
        QTRY_VERIFY_WITH_TIMEOUT(Lines(poll, rows) >= 3, 10'000);
        QByteArray errors;
        QTRY_VERIFY_WITH_TIMEOUT(
            (errors += poll.readAllStandardError())
                .contains("MQTT broker 127.0.0.1:" + QByteArray::number(port) +
                          " not reached (Connection refused); the poll goes on"),
            10'000);

        Broker broker(folder.path(), port);
        QVERIFY(broker.start());
        const QString base = QStringLiteral("ht5530k/COM4");
        {
            Subscriber subscriber(port);
            // Discovery: a device for each module, humidity and temperature.
            QVERIFY(subscriber.waitFor([](const QList<Message>& messages) {
                return Count(messages, "homeassistant/sensor/") == 6;
            }));
            for (int address = 1; address <= 3; ++address) {
                const QString id = QStringLiteral("ht5530k_COM4_%1").arg(address);
                for (const QString key : {"humidity", "temperature"}) {
                    const Message config =
                        subscriber.last("homeassistant/sensor/" + id + "/" + key + "/config");
                    const QJsonObject json = Json(config.payload);
                    QCOMPARE(json["device_class"].toString(), key);
                    QCOMPARE(json["state_topic"].toString(),
                             QStringLiteral("%1/%2/state").arg(base).arg(address));
                    const QJsonObject device = json["device"].toObject();
                    QCOMPARE(device["identifiers"].toArray(), QJsonArray{id});
                    QCOMPARE(device["name"].toString(),
                             address == 2 ? QStringLiteral("Boiler room")
                                          : QStringLiteral("HT5530K %1").arg(address));
                }
            }
            // All of it retained, for a Home Assistant that comes later.
            Subscriber later(port, QStringLiteral("homeassistant/#"));
            QVERIFY(later.waitFor([](const QList<Message>& messages) {
                return messages.size() == 6 &&
                       std::all_of(messages.begin(), messages.end(),
                                   [](const Message& message) { return message.retained; });
            }));
            // Each module's own readings; the silent one offline, backed off.
            QVERIFY(subscriber.waitFor([&base](const QList<Message>& messages) {
                bool one = false;
                bool two = false;
                for (const Message& message : messages) {
                    one = one || (message.topic == base + "/1/state" && SoundState(message, 1));
                    two = two || (message.topic == base + "/2/state" && SoundState(message, 2));
                }
                return one && two;
            }));
            QVERIFY(subscriber.waitFor([&subscriber, &base](const QList<Message>&) {
                return subscriber.last(base + "/3/availability").payload == "offline";
            }));
            QCOMPARE(subscriber.last(base + "/1/availability").payload, QString("online"));
            QCOMPARE(subscriber.last(base + "/2/availability").payload, QString("online"));
            QCOMPARE(subscriber.last(base + "/status").payload, QString("online"));
            for (const Message& message : subscriber.messages) {
                if (message.topic == base + "/3/state") {
                    const QJsonObject state = Json(message.payload);
                    QCOMPARE(state["outcome"].toString(), QString("timeout"));
                    QVERIFY(state["humidity"].isNull()); // never a 0 in its place
                }
            }

            // Home Assistant starting again asks for the discovery again.
            const qsizetype before = Count(subscriber.messages, "homeassistant/sensor/");
            QProcess::execute(Tool("mosquitto_pub"),
                              {"-h", "127.0.0.1", "-p", QString::number(port), "-t",
                               "homeassistant/status", "-m", "online"});
            QVERIFY(subscriber.waitFor([before](const QList<Message>& messages) {
                return Count(messages, "homeassistant/sensor/") == before + 6;
            }));
        }

        // The broker goes away and comes back: the rows never stop.
        broker.stop();
        const int rowsAtStop = Lines(poll, rows);
        QTRY_VERIFY_WITH_TIMEOUT(Lines(poll, rows) >= rowsAtStop + 6, 10'000);
        QVERIFY(broker.start());
        {
            Subscriber subscriber(port);
            QVERIFY(subscriber.waitFor([&base](const QList<Message>& messages) {
                return std::any_of(messages.begin(), messages.end(), [&base](const Message& m) {
                    return m.topic == base + "/1/state" && SoundState(m, 1);
                });
            }));
            QCOMPARE(subscriber.last(base + "/status").payload, QString("online"));
            QCOMPARE(Count(subscriber.messages, "homeassistant/sensor/"), 6);

            // Killed: the broker publishes the last will.
            ::kill(static_cast<pid_t>(poll.processId()), SIGKILL);
            QVERIFY(poll.waitForFinished(5000));
            QVERIFY(subscriber.waitFor([&subscriber, &base](const QList<Message>&) {
                return subscriber.last(base + "/status").payload == "offline";
            }));
        }
        const QString err = QString::fromUtf8(errors + poll.readAllStandardError());
        QCOMPARE(err.count("MQTT broker"), 4); // not reached, connected, lost, connected again
        QVERIFY2(err.contains(QStringLiteral("MQTT broker 127.0.0.1:%1 connected\n").arg(port)) &&
                     err.contains(QStringLiteral("MQTT broker 127.0.0.1:%1 lost (").arg(port)) &&
                     err.contains(
                         QStringLiteral("MQTT broker 127.0.0.1:%1 connected again\n").arg(port)),
                 qPrintable(err));
        // Every row on standard output is whole, one each turn.
        for (const QByteArray& line : rows.split('\n')) {
            QVERIFY(line.isEmpty() || !Json(QString::fromUtf8(line)).isEmpty());
        }
    }

    // A broker that wants a password: from the file, and the run's end
    // says offline. A wrong one is refused, and the poll goes on all the same.
    void passwordAndCleanEnd() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift"}));
        const QString passwords = folder.filePath("passwords");
        QCOMPARE(QProcess::execute(Tool("mosquitto_passwd"),
                                   {"-b", "-c", passwords, "meter", "s3cret pw"}),
                 0);
        const int port = FreePort();
        Broker broker(folder.path(), port,
                      "allow_anonymous false\npassword_file " + passwords.toUtf8() + '\n');
        QVERIFY(broker.start());
        const auto poll = [&](const QByteArray& password) {
            QFile file(folder.filePath("password"));
            if (file.open(QIODevice::WriteOnly)) {
                file.write(password + "\n");
            }
            file.close();
            return RunCli({"poll", "--interval", "100", "--count", "5", "-p", sim.link, "-b",
                           "19200", "--mqtt-topic", "site/hall", "--mqtt",
                           QStringLiteral("mqtt://meter@127.0.0.1:%1").arg(port),
                           "--mqtt-password-file", file.fileName()});
        };
        const CliRun wrong = poll("wrong");
        QVERIFY2(wrong.exitCode == 0, qPrintable(wrong.err));
        QCOMPARE(wrong.out.count('\n'), 6); // the header and five rows
        QVERIFY2(wrong.err.contains(
                     QStringLiteral("MQTT broker 127.0.0.1:%1 not reached (refused: ").arg(port)),
                 qPrintable(wrong.err));

        const CliRun right = poll("s3cret pw");
        QVERIFY2(right.exitCode == 0 && !right.err.contains("MQTT"), qPrintable(right.err));
        // What the run left retained: the module online, the program offline.
        const auto retained = [&](const QString& topic) {
            Subscriber subscriber(port, topic, {"-u", "meter", "-P", "s3cret pw"});
            subscriber.waitFor([](const QList<Message>& messages) { return !messages.empty(); });
            const Message message = subscriber.last(topic);
            return message.retained ? message.payload : QString();
        };
        QCOMPARE(retained("site/hall/1/availability"), QString("online"));
        QCOMPARE(retained("site/hall/status"), QString("offline"));
        QVERIFY(retained("homeassistant/sensor/site_hall_1/humidity/config")
                    .contains("\"state_topic\":\"site/hall/1/state\""));
    }

    // mqtts://: the broker's certificate is checked against the system's CA
    // store (OpenSSL's, which SSL_CERT_FILE replaces here): refused while
    // the store does not hold it, and the states published once it does.
    void tlsAgainstTheSystemStore() {
        const QString openssl = Tool("openssl");
        if (openssl.isEmpty()) {
            QSKIP("openssl is missing: no certificate for the broker");
        }
        QTemporaryDir folder;
        const QString cert = folder.filePath("cert.pem");
        const QString key = folder.filePath("key.pem");
        QProcess make;
        make.setProcessChannelMode(QProcess::MergedChannels); // its progress, unread
        make.start(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                             "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                             key, "-out", cert});
        QVERIFY(make.waitForFinished(30'000) && make.exitCode() == 0);
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift"}));
        const int port = FreePort();
        Broker broker(folder.path(), port,
                      "allow_anonymous true\ncertfile " + cert.toUtf8() + "\nkeyfile " +
                          key.toUtf8() + '\n');
        QVERIFY(broker.start());
        Subscriber subscriber(port, QStringLiteral("ht5530k/#"), {"--cafile", cert});
        const auto poll = [&](const QString& store) {
            return RunCliPrepared(
                {"poll", "--interval", "100", "--count", "5", "-p", sim.link, "-b", "19200",
                 "--mqtt", QStringLiteral("mqtts://127.0.0.1:%1").arg(port)},
                [&store](QProcess& process) {
                    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
                    environment.insert("SSL_CERT_FILE", store);
                    environment.insert("SSL_CERT_DIR", store);
                    process.setProcessEnvironment(environment);
                });
        };
        const CliRun untrusted = poll(folder.filePath("no such store"));
        QVERIFY2(untrusted.exitCode == 0 &&
                     untrusted.err.contains(
                         QStringLiteral("MQTT broker 127.0.0.1:%1 not reached").arg(port)),
                 qPrintable(untrusted.err));
        const CliRun trusted = poll(cert);
        QVERIFY2(trusted.exitCode == 0 && !trusted.err.contains("MQTT"), qPrintable(trusted.err));
        QVERIFY(subscriber.waitFor([](const QList<Message>& messages) {
            return std::any_of(messages.begin(), messages.end(), [](const Message& message) {
                return message.topic == "ht5530k/COM4/1/state" &&
                       Json(message.payload)["humidity"].toDouble() == 45.0;
            });
        }));
    }
};

QTEST_GUILESS_MAIN(TestCliMqtt)
#include "test_cli_mqtt.moc"
