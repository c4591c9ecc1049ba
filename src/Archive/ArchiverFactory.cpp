#include "Archive/ArchiverFactory.h"

#include "Archive/ZipArchiver.h"

std::unique_ptr<Archiver> ArchiverFactory::make(ArchiveType type)
{
    switch (type) {
    case ArchiveType::zip:
        return std::make_unique<ZipArchiver>();
    case ArchiveType::z7:
    case ArchiveType::rar:
        break;
    }
    return nullptr;
}
