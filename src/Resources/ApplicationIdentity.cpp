#include "Resources/ApplicationIdentity.h"

#include "KestrelConfig.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

void describeApplication()
{
    QCoreApplication::setOrganizationName(u"Kestrel"_s);
    QCoreApplication::setApplicationName(u"KestrelArchiveApp"_s);
    QCoreApplication::setApplicationVersion(QString::fromLatin1(KestrelConfig::applicationVersion));
}
