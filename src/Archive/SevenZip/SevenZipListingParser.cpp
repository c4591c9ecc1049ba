#include "Archive/SevenZip/SevenZipListingParser.h"

#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView kSeparator = u" = ";

// The decimal number in `length` characters of `text` from `from`, or -1.
int digitsAt(QStringView text, qsizetype from, qsizetype length)
{
    int value = 0;
    for (const QChar c : text.sliced(from, length)) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// "2024-05-06 07:08:09.1234567" in UTC (7zz runs with TZ=UTC0); other text,
// empty text included, gives an invalid date. Read by hand: an archive lists
// three dates an entry, and QDateTime::fromString made them most of the
// listing's cost.
QDateTime parseDate(QStringView text)
{
    if (text.size() < 19 || text[4] != u'-' || text[7] != u'-' || text[10] != u' ' || text[13] != u':'
        || text[16] != u':')
        return {};
    int milliseconds = 0;
    if (text.size() > 20 && text[19] == u'.') {
        const QStringView fraction = text.sliced(20, std::min<qsizetype>(text.size() - 20, 3));
        milliseconds = digitsAt(fraction, 0, fraction.size());
        for (qsizetype i = fraction.size(); i < 3; ++i)
            milliseconds *= 10;
    }
    const QDate date(digitsAt(text, 0, 4), digitsAt(text, 5, 2), digitsAt(text, 8, 2));
    const QTime time(digitsAt(text, 11, 2), digitsAt(text, 14, 2), digitsAt(text, 17, 2), milliseconds);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

template<typename T> bool parseOptional(QStringView text, int base, std::optional<T>& value)
{
    if (text.isEmpty()) {
        value.reset();
        return true;
    }
    bool ok = false;
    const qulonglong number = text.toULongLong(&ok, base);
    value = T(number);
    return ok && qulonglong(*value) == number;
}

void readAttributes(QStringView text, SevenZipItem& item)
{
    item.attributes = text.toString();
    // "A -rw-r--r--": letters, then the Unix mode when one is stored.
    const qsizetype space = text.indexOf(u' ');
    const QStringView letters = space < 0 ? text : text.first(space);
    QStringView mode = space < 0 ? QStringView() : text.sliced(space + 1);
    if (const qsizetype end = mode.indexOf(u' '); end >= 0)
        mode = mode.first(end);
    item.isDirectory = letters.contains(u'D') || mode.startsWith(u'd');
    item.isSymbolicLink = mode.startsWith(u'l');
}

} // namespace

SevenZipListingParser::Result SevenZipListingParser::parse(const QString& output)
{
    Result result;
    // Views into `output`: an archive of many entries has tens of thousands
    // of lines, and copying each key and value was most of the work.
    Fields fields;
    for (const QStringView line : QStringTokenizer(output, u'\n')) {
        if (line.trimmed().isEmpty()) {
            addBlock(fields, result);
            fields.clear();
            continue;
        }
        const qsizetype separator = line.indexOf(kSeparator);
        // A key is one or two words; a path may hold " = " itself.
        if (separator > 0)
            fields.append({ line.first(separator), line.sliced(separator + kSeparator.size()) });
        else if (line.endsWith(u" ="))
            fields.append({ line.chopped(2), QStringView() });
    }
    addBlock(fields, result);
    return result;
}

QStringView SevenZipListingParser::value(const Fields& fields, QStringView key)
{
    // A key listed twice in a block: the later line counts.
    for (auto it = fields.crbegin(); it != fields.crend(); ++it) {
        if (it->first == key)
            return it->second;
    }
    return {};
}

void SevenZipListingParser::addBlock(const Fields& fields, Result& result)
{
    if (fields.isEmpty())
        return;
    SevenZipItem item;
    item.index = int(result.items.size());
    if (readItem(fields, item)) {
        result.items.append(item);
    } else if (result.error.isEmpty()) {
        const QStringView path = value(fields, u"Path");
        result.error = path.isEmpty() ? u"a listed entry has no path"_s
                                      : u"the listing of \"%1\" is malformed"_s.arg(path);
    }
}

bool SevenZipListingParser::readItem(const Fields& fields, SevenZipItem& item)
{
    item.path = value(fields, u"Path").toString();
    bool sizeOk = false;
    item.size = value(fields, u"Size").toULongLong(&sizeOk);
    const bool numbersOk = sizeOk && parseOptional(value(fields, u"Packed Size"), 10, item.packedSize)
        && parseOptional(value(fields, u"CRC"), 16, item.crc)
        && parseOptional(value(fields, u"Block"), 10, item.block);
    item.modificationDate = parseDate(value(fields, u"Modified"));
    item.creationDate = parseDate(value(fields, u"Created"));
    item.accessDate = parseDate(value(fields, u"Accessed"));
    readAttributes(value(fields, u"Attributes"), item);
    item.isEncrypted = value(fields, u"Encrypted") == u"+";
    item.method = value(fields, u"Method").toString();
    return !item.path.isEmpty() && numbersOk;
}
