#include "Archive/Job/ArchiverFactory.h"

#include "Archive/Rar/RARArchiver.h"
#include "Archive/SevenZip/LzmaArchiver.h"
#include "Archive/Zip/ZipArchiver.h"

std::unique_ptr<Archiver> ArchiverFactory::make(ArchiveType type)
{
    switch (type) {
    case ArchiveType::zip:
        return std::make_unique<ZipArchiver>();
    case ArchiveType::z7:
        return std::make_unique<LzmaArchiver>();
    case ArchiveType::rar:
        break;
    }
    return std::make_unique<RARArchiver>();
}
