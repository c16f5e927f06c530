// Which of the program's languages a locale name asks for.
#pragma once

#include <string>

// The language code of a language folder ("de" for "Deutsch", "zh_CN" for "简体中文"); empty
// for a folder this table does not know.
std::string LocaleCodeOfLanguageFolder(const std::string& folder);

// The index in g_Config.Lang of the language a POSIX locale name asks for ("de_DE.UTF-8",
// "pt_BR", "zh_CN.GB2312", "sr_RS@latin"); -1 when it is none of them ("C", "POSIX", an
// unlisted language).
int LanguageIndexForLocale(const std::string& locale);
