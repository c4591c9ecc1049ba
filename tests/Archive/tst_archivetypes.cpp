#include "Archive/ArchiveErrorType.h"
#include "Archive/ArchiveType.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TestArchiveTypes : public QObject
{
    Q_OBJECT

private slots:
    void rawValuesRoundTrip();
    void messagesNameOneErrorEach();
};

// Raw values are extensions and command-line format names; near misses are no type.
void TestArchiveTypes::rawValuesRoundTrip()
{
    for (const ArchiveType type : ArchiveType::allCases())
        QCOMPARE(ArchiveType::fromRawValue(type.rawValue()), type);
    for (const QString& text : { u"ZIP"_s, u"z7"_s, u".zip"_s, QString() })
        QVERIFY2(!ArchiveType::fromRawValue(text), qPrintable(text));
}

// Reports carry the message; reading it back must give the one error.
void TestArchiveTypes::messagesNameOneErrorEach()
{
    const QList<ArchiveErrorType> cases = ArchiveErrorType::allCases();
    QSet<QString> messages;
    for (const ArchiveErrorType error : cases) {
        messages.insert(error.message());
        QCOMPARE(ArchiveErrorType::fromMessage(error.message()), error);
    }
    QCOMPARE(messages.size(), cases.size());
    QVERIFY(!messages.contains(QString()));
}

QTEST_GUILESS_MAIN(TestArchiveTypes)
#include "tst_archivetypes.moc"
