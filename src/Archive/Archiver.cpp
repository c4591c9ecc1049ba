#include "Archive/Archiver.h"

Archiver::~Archiver() = default;
