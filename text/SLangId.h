// Language strings: the table of language names and numbers, the user's
// language name, and the choice of a package's language entry from which
// every text key is read (TGFileInfo::GetText and its font settings).
#pragma once

#include <cstdint>

#include "util/Text.h"

// Items "NAME = number", names padded with blanks to a common width.
extern const char kLanguageTable[];

// The name of the first table item that contains the number written with
// at least two digits; empty when none does.
Text LanguageNameOf(int64_t number);
// The primary language number of a locale identifier: its low 10 bits, or 9
// (English) when the identifier's low word is 0.
int PrimaryLanguageNumber(uint32_t localeId);
// LanguageNameOf the calling thread's primary language, taken once.
Text SystemLanguageName();

// The entry of a language table to read texts from: the field whose name
// (its field 0) is userLanguage, else the "English" one, else the only
// field, else "*" (an entry that holds no keys).
Text ChooseLanguageEntry(const Text& langTable, const Text& userLanguage);
// The value of "key=value" in an entry (one blank allowed after the
// delimiter and before "="); a key present with an empty value gives "".
Text EntryText(const Text& entry, const Text& key, const Text& dflt);
