#include "Archive/SevenZip/SevenZipListingParser.h"

#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kSeparator = u" = "_s;

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

template<typename T> bool parseOptional(const QString& text, int base, std::optional<T>& value)
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

void readAttributes(const QString& text, SevenZipItem& item)
{
    item.attributes = text;
    const QString letters = text.section(u' ', 0, 0);
    const QString mode = text.section(u' ', 1, 1);
    item.isDirectory = letters.contains(u'D') || mode.startsWith(u'd');
    item.isSymbolicLink = mode.startsWith(u'l');
}

} // namespace

SevenZipListingParser::Result SevenZipListingParser::parse(const QString& output)
{
    Result result;
    Fields fields;
    const QStringList lines = output.split(u'\n');
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty()) {
            addBlock(fields, result);
            fields.clear();
            continue;
        }
        const qsizetype separator = line.indexOf(kSeparator);
        // A key is one or two words; a path may hold " = " itself.
        if (separator > 0)
            fields.insert(line.left(separator), line.mid(separator + kSeparator.size()));
        else if (line.endsWith(u" ="_s))
            fields.insert(line.chopped(2), QString());
    }
    addBlock(fields, result);
    return result;
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
        const QString path = fields.value(u"Path"_s);
        result.error = path.isEmpty() ? u"a listed entry has no path"_s
                                      : u"the listing of \"%1\" is malformed"_s.arg(path);
    }
}

bool SevenZipListingParser::readItem(const Fields& fields, SevenZipItem& item)
{
    item.path = fields.value(u"Path"_s);
    bool sizeOk = false;
    item.size = fields.value(u"Size"_s).toULongLong(&sizeOk);
    const bool numbersOk = sizeOk && parseOptional(fields.value(u"Packed Size"_s), 10, item.packedSize)
        && parseOptional(fields.value(u"CRC"_s), 16, item.crc)
        && parseOptional(fields.value(u"Block"_s), 10, item.block);
    item.modificationDate = parseDate(fields.value(u"Modified"_s));
    item.creationDate = parseDate(fields.value(u"Created"_s));
    item.accessDate = parseDate(fields.value(u"Accessed"_s));
    readAttributes(fields.value(u"Attributes"_s), item);
    item.isEncrypted = fields.value(u"Encrypted"_s) == u"+"_s;
    item.method = fields.value(u"Method"_s);
    return !item.path.isEmpty() && numbersOk;
}
