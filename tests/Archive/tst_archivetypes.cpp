#include "Archive/ArchiveErrorType.h"
#include "Archive/ArchiveType.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TestArchiveTypes : public QObject
{
    Q_OBJECT

private slots:
    void fromRawValue_data();
    void fromRawValue();
    void messagesNameOneErrorEach();
};

void TestArchiveTypes::fromRawValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // -1: no type

    QTest::newRow("zip") << u"zip"_s << int(ArchiveType::zip);
    QTest::newRow("7z") << u"7z"_s << int(ArchiveType::z7);
    QTest::newRow("rar") << u"rar"_s << int(ArchiveType::rar);
    QTest::newRow("upper case") << u"ZIP"_s << -1;
    QTest::newRow("7Z") << u"7Z"_s << -1;
    QTest::newRow("case name") << u"z7"_s << -1;
    QTest::newRow("with dot") << u".zip"_s << -1;
    QTest::newRow("empty") << QString() << -1;
}

void TestArchiveTypes::fromRawValue()
{
    QFETCH(QString, text);
    QFETCH(int, expected);

    const std::optional<ArchiveType> type = ArchiveType::fromRawValue(text);
    QCOMPARE(type ? int(*type) : -1, expected);
    if (type)
        QCOMPARE(type->rawValue(), text);
}

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
    QCOMPARE(ArchiveErrorType(ArchiveErrorType::none).message(), u"无"_s);
    QCOMPARE(ArchiveErrorType(ArchiveErrorType::cancelled).message(), u"操作被取消"_s);
    QCOMPARE(ArchiveErrorType::fromMessage(u"操作被取消 "), std::nullopt);
}

QTEST_GUILESS_MAIN(TestArchiveTypes)
#include "tst_archivetypes.moc"
