#include "Archive/SevenZip/SevenZipItem.h"

QString SevenZipItem::fileName() const
{
    return path.section(u'/', -1);
}
