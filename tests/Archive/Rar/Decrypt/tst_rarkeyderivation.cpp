#include "Archive/Rar/Decrypt/Rar4KeyDerivation.h"

#include <QTest>

QTEST_GUILESS_MAIN(QObject)
