#pragma once

#include <QString>

class QLocale;

// The one translation context every user-visible key lives in.
inline constexpr char kLocalizedTextContext[] = "Kestrel";

// The text of `key` in the user's language; the key itself when no translation
// has it, so a missing entry shows the key and never fails.
QString localizedText(const char* key);
QString localizedText(const QString& key);

// Installs the embedded translation that fits `locale` (Simplified Chinese for
// any Chinese locale, English otherwise) on the running application.
// Returns false when none could be loaded; keys are then shown as they are.
bool installTranslations(const QLocale& locale);
