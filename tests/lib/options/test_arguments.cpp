#include <array>

#include <QtTest>

#include "options/arguments.h"

// The option reader both programs share: what each way of writing an option
// reads as, and the message for each kind of mistake.
namespace {

const std::array kSpecs{
    options::OptionSpec{"port", 'p', "PORT", ""},
    options::OptionSpec{"verbose", 'v', "", ""},
    options::OptionSpec{"count", 0, "N", ""},
    options::OptionSpec{"quiet", 'q', "", ""},
};

std::vector<std::string> Storage(const QStringList& args) {
    std::vector<std::string> storage;
    for (const QString& arg : args) {
        storage.push_back(arg.toStdString());
    }
    return storage;
}

// "name=value" for each value given, then the positionals, or "error: ...".
QString Parsed(const QStringList& args) {
    const std::vector<std::string> storage = Storage(args);
    const std::vector<std::string_view> views(storage.begin(), storage.end());
    const options::ParsedArguments parsed = options::ParseArguments(kSpecs, views);
    if (!parsed.error.empty()) {
        return "error: " + QString::fromStdString(parsed.error);
    }
    QStringList parts;
    for (const auto& [name, values] : parsed.arguments.options) {
        parts << QString::fromStdString(name + "=" + *parsed.arguments.value(name));
    }
    for (const std::string& positional : parsed.arguments.positionals) {
        parts << QString::fromStdString(positional);
    }
    return parts.join(' ');
}

} // namespace

class TestArguments : public QObject {
    Q_OBJECT
private slots:
    void arguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("parsed");
        QTest::newRow("long with value")
            << QStringList{"--port", "/dev/ttyUSB0"} << "port=/dev/ttyUSB0";
        QTest::newRow("long with =") << QStringList{"--port=COM4"} << "port=COM4";
        QTest::newRow("short with value") << QStringList{"-p", "COM4"} << "port=COM4";
        QTest::newRow("short attached") << QStringList{"-pCOM4"} << "port=COM4";
        QTest::newRow("short with =") << QStringList{"-p=COM4"} << "port=COM4";
        QTest::newRow("grouped, the value last")
            << QStringList{"-vp", "COM4"} << "port=COM4 verbose=";
        QTest::newRow("flag and positionals") << QStringList{"7", "-v", "8"} << "verbose= 7 8";
        QTest::newRow("later wins") << QStringList{"--count", "1", "--count", "2"} << "count=2";
        QTest::newRow("empty value after =") << QStringList{"--port="} << "port=";
        QTest::newRow("a negative number is a value") << QStringList{"0", "-80"} << "0 -80";
        QTest::newRow("a negative value") << QStringList{"--count", "-5"} << "count=-5";
        QTest::newRow("a negative value after =") << QStringList{"--count=-5"} << "count=-5";
        QTest::newRow("a value that looks like an option")
            << QStringList{"--port", "--verbose"} << "port=--verbose";
        QTest::newRow("-- as a value") << QStringList{"-p", "--", "-v"} << "port=-- verbose=";
        QTest::newRow("-- ends the options") << QStringList{"--", "-v"} << "-v";
        QTest::newRow("a second -- is an argument") << QStringList{"--", "--"} << "--";
        QTest::newRow("a lone minus is an argument") << QStringList{"-"} << "-";
        QTest::newRow("unknown long")
            << QStringList{"--colour"} << "error: unknown option --colour";
        QTest::newRow("unknown long with a value")
            << QStringList{"--colour=red"} << "error: unknown option --colour";
        QTest::newRow("unknown short") << QStringList{"-x"} << "error: unknown option -x";
        QTest::newRow("unknown letter in a group")
            << QStringList{"-vx"} << "error: unknown option -x";
        QTest::newRow("value missing")
            << QStringList{"--count"} << "error: --count needs a value (N)";
        QTest::newRow("short value missing")
            << QStringList{"-v", "-p"} << "error: --port needs a value (PORT)";
        QTest::newRow("second value missing")
            << QStringList{"--count", "1", "--count"} << "error: --count needs a value (N)";
        QTest::newRow("flag with value")
            << QStringList{"--verbose=1"} << "error: --verbose takes no value";
        QTest::newRow("short flag with value")
            << QStringList{"-v=1"} << "error: --verbose takes no value";
        QTest::newRow("a flag's value is no flag given a value")
            << QStringList{"--port", "--verbose=1", "--quiet=2"} << "error: --quiet takes no value";
        QTest::newRow("grouped flags, the last with a value")
            << QStringList{"-vq=1"} << "error: --quiet takes no value";
        QTest::newRow("an unknown option comes first")
            << QStringList{"--verbose=1", "--colour", "--count"}
            << "error: unknown option --colour";
    }
    void arguments() {
        QFETCH(QStringList, args);
        QFETCH(QString, parsed);
        QCOMPARE(Parsed(args), parsed);
    }

    // Every value of an option given several times, in order.
    void repeated() {
        const std::array<std::string_view, 4> args{"--count", "1", "--count=2", "--count="};
        const options::Arguments given = options::ParseArguments(kSpecs, args).arguments;
        QCOMPARE(given.values("count"), (std::vector<std::string>{"1", "2", ""}));
        QVERIFY(given.values("port").empty());
    }

    // What is read besides the error: --help can still be answered, but a
    // flag given a value does not count as given.
    void readDespiteAnError() {
        const std::array<std::string_view, 3> args{"--colour", "-v", "--count=3"};
        const options::ParsedArguments parsed = options::ParseArguments(kSpecs, args);
        QVERIFY(!parsed.error.empty());
        QVERIFY(parsed.arguments.has("verbose"));
        QCOMPARE(parsed.arguments.value("count"), std::optional<std::string>("3"));
        const std::array<std::string_view, 1> flag{"--verbose=1"};
        QVERIFY(!options::ParseArguments(kSpecs, flag).arguments.has("verbose"));
    }

    // A path that is not UTF-8 comes back byte for byte.
    void bytesKept() {
        const std::string path = "/tmp/\xff\xe9t\xe9";
        const std::array<std::string_view, 3> args{"--port", path, path};
        const options::Arguments given = options::ParseArguments(kSpecs, args).arguments;
        QCOMPARE(given.value("port"), std::optional<std::string>(path));
        QCOMPARE(given.positionals, std::vector<std::string>{path});
    }

    void firstPositional_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("at"); // -1: none
        QTest::newRow("nothing") << QStringList{} << -1;
        QTest::newRow("options only") << QStringList{"-v", "--port", "COM4"} << -1;
        QTest::newRow("first") << QStringList{"read", "-v"} << 0;
        QTest::newRow("after options and values")
            << QStringList{"-v", "--port", "COM4", "-pCOM5", "read", "--count", "1"} << 4;
        QTest::newRow("an option's value is not it") << QStringList{"-p", "read"} << -1;
        QTest::newRow("after an unknown option") << QStringList{"--colour", "read"} << 1;
        QTest::newRow("after --") << QStringList{"--", "read"} << 1;
        QTest::newRow("a negative number") << QStringList{"-v", "-80"} << 1;
    }
    void firstPositional() {
        QFETCH(QStringList, args);
        QFETCH(int, at);
        const std::vector<std::string> storage = Storage(args);
        const std::vector<std::string_view> views(storage.begin(), storage.end());
        const std::optional<std::size_t> found = options::FirstPositional(kSpecs, views);
        QCOMPARE(found ? static_cast<int>(*found) : -1, at);
    }
};

QTEST_APPLESS_MAIN(TestArguments)
#include "test_arguments.moc"
