#include "config/language_locale.h"

#include <cctype>

#include "config/program_config.h"

namespace {

struct FolderCode {
    const char* folder;
    const char* code;
};

constexpr FolderCode kFolders[] = {
    {"English", "en"},  {"Deutsch", "de"},        {"Español", "es"},     {"Français", "fr"},
    {"Italiano", "it"}, {"Português (BR)", "pt"}, {"Português", "pt"},   {"Русский", "ru"},
    {"日本語", "ja"},   {"简体中文", "zh_CN"},    {"繁體中文", "zh_TW"}, {"한국어", "ko"},
    {"Polski", "pl"},
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// "de_DE.UTF-8@euro" -> language "de", territory "de".
void SplitLocale(const std::string& locale, std::string& language, std::string& territory) {
    const size_t end = locale.find_first_of(".@");
    const std::string base = locale.substr(0, end);
    const size_t sep = base.find_first_of("_-");
    language = Lower(base.substr(0, sep));
    territory = sep == std::string::npos ? std::string() : Lower(base.substr(sep + 1));
}

// Chinese is written in two scripts: the territory decides which one a reader expects.
std::string CodeOfLocale(const std::string& language, const std::string& territory) {
    if (language != "zh") return language;
    if (territory == "tw" || territory == "hk" || territory == "mo") return "zh_TW";
    return "zh_CN";
}

}  // namespace

std::string LocaleCodeOfLanguageFolder(const std::string& folder) {
    for (const FolderCode& f : kFolders)
        if (folder == f.folder) return f.code;
    return "";
}

int LanguageIndexForLocale(const std::string& locale) {
    std::string language, territory;
    SplitLocale(locale, language, territory);
    if (language.empty() || language == "c" || language == "posix") return -1;
    const std::string code = CodeOfLocale(language, territory);
    for (int k = 0; k < g_Config.LangCount && k < kMaxLanguages; ++k)
        if (!g_Config.Lang[k].folder.empty() &&
            LocaleCodeOfLanguageFolder(g_Config.Lang[k].folder) == code)
            return k;
    return -1;
}
