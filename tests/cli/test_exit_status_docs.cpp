#include <QtTest>

#include "cli/output/exit_codes.h"

// The README and the manual page list the exit statuses in words of their
// own; the table in cli/output/exit_codes.h is the one list. Each document must give
// the table's codes, in its order, each described with the table's name for it.
namespace {

struct Listed {
    int code;
    QString text;
};

QString Read(const char* path) {
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

// "0 success, 1 a poll with ..., 8 output ..." after "status says what happened:".
QList<Listed> ReadmeList(const QString& readme) {
    const qsizetype from = readme.indexOf(QStringLiteral("status says what happened:"));
    const qsizetype to = readme.indexOf(QStringLiteral("`ht5530k-cli COMMAND --help`"), from);
    if (from < 0 || to < 0) {
        return {};
    }
    const QString sentence = readme.mid(from, to - from).simplified();
    static const QRegularExpression start(QStringLiteral("(?:: |, )(\\d+) "));
    QList<Listed> listed;
    qsizetype textStart = -1;
    for (auto match = start.globalMatch(sentence); match.hasNext();) {
        const auto found = match.next();
        if (!listed.isEmpty()) {
            listed.last().text = sentence.mid(textStart, found.capturedStart() - textStart);
        }
        listed.append(Listed{found.captured(1).toInt(), {}});
        textStart = found.capturedEnd();
    }
    if (!listed.isEmpty()) {
        listed.last().text = sentence.mid(textStart);
    }
    return listed;
}

// ".TP" then ".B N" then the text, up to the next ".TP" or section.
QList<Listed> ManList(const QString& page) {
    const qsizetype from = page.indexOf(QStringLiteral("\n.SH EXIT STATUS\n"));
    if (from < 0) {
        return {};
    }
    const qsizetype to = page.indexOf(QStringLiteral("\n.SH "), from + 1);
    const QStringList lines = page.mid(from + 1, to - from - 1).split(QLatin1Char('\n'));
    static const QRegularExpression code(QStringLiteral("^\\.B (\\d+)$"));
    QList<Listed> listed;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith(QStringLiteral(".TP")) && i + 1 < lines.size()) {
            if (const auto match = code.match(lines[i + 1]); match.hasMatch()) {
                listed.append(Listed{match.captured(1).toInt(), {}});
                ++i;
                continue;
            }
        }
        if (!listed.isEmpty()) {
            QString words = lines[i];
            words.remove(QRegularExpression(QStringLiteral("^\\.[A-Z]+ ?")));
            listed.last().text += words.remove(QLatin1Char('\\')) + QLatin1Char(' ');
        }
    }
    return listed;
}

} // namespace

class TestExitStatusDocs : public QObject {
    Q_OBJECT
private slots:
    void documentsListTheTable_data() {
        QTest::addColumn<QString>("document");
        QTest::addColumn<bool>("man");
        QTest::newRow("README") << QString::fromUtf8(HT_README) << false;
        QTest::newRow("ht5530k-cli.1") << QString::fromUtf8(HT_CLI_MAN) << true;
    }
    void documentsListTheTable() {
        QFETCH(QString, document);
        QFETCH(bool, man);
        const QString text = Read(document.toUtf8().constData());
        QVERIFY2(!text.isEmpty(), qPrintable(document));
        const QList<Listed> listed = man ? ManList(text) : ReadmeList(text);
        QCOMPARE(listed.size(), qsizetype{cli::kExitStatuses.size()});
        for (qsizetype i = 0; i < listed.size(); ++i) {
            const cli::ExitStatus& status = cli::kExitStatuses[static_cast<std::size_t>(i)];
            QCOMPARE(listed[i].code, status.code);
            const QString name = QString::fromUtf8(status.name.data(), status.name.size());
            QVERIFY2(listed[i].text.contains(name, Qt::CaseInsensitive),
                     qPrintable(QStringLiteral("%1 %2: \"%3\" lacks \"%4\"")
                                    .arg(document)
                                    .arg(status.code)
                                    .arg(listed[i].text, name)));
        }
    }
};

QTEST_APPLESS_MAIN(TestExitStatusDocs)
#include "test_exit_status_docs.moc"
