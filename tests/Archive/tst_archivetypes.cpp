#include "Archive/ArchiveErrorType.h"
#include "Archive/ArchiveType.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TestArchiveTypes : public QObject
{
    Q_OBJECT

private slots:
    void rawValues();
    void fromRawValue_data();
    void fromRawValue();
    void messages();
};

void TestArchiveTypes::rawValues()
{
    QStringList rawValues;
    for (const ArchiveType type : ArchiveType::allCases())
        rawValues << type.rawValue();
    QCOMPARE(rawValues, QStringList({ u"zip"_s, u"7z"_s, u"rar"_s }));
    QCOMPARE(ArchiveType::compressTypes(), QList<ArchiveType>({ ArchiveType::zip, ArchiveType::z7 }));
    QCOMPARE(QSet<ArchiveType>({ ArchiveType::z7, *ArchiveType::fromRawValue(u"7z") }).size(), 1);
}

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
}

void TestArchiveTypes::messages()
{
    const QStringList messages { u"无"_s,           u"不支持的格式"_s, u"压缩错误"_s,     u"解压错误"_s,
                                 u"密码无效"_s,     u"密码为空"_s,     u"源路径为空"_s,   u"源路径无效"_s,
                                 u"目标路径为空"_s, u"目标路径无效"_s, u"压缩包已损坏"_s, u"操作被取消"_s };
    const QList<ArchiveErrorType> cases = ArchiveErrorType::allCases();
    QCOMPARE(cases.size(), messages.size());
    for (qsizetype position = 0; position < cases.size(); ++position) {
        QCOMPARE(cases.at(position).message(), messages.at(position));
        QCOMPARE(ArchiveErrorType::fromMessage(messages.at(position)), cases.at(position));
    }
    QCOMPARE(ArchiveErrorType(ArchiveErrorType::none).message(), u"无"_s);
    QCOMPARE(ArchiveErrorType(ArchiveErrorType::cancelled).message(), u"操作被取消"_s);
    QCOMPARE(ArchiveErrorType::fromMessage(u"操作被取消 "), std::nullopt);
}

QTEST_GUILESS_MAIN(TestArchiveTypes)
#include "tst_archivetypes.moc"
