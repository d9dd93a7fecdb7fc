// Choice of the built-in message table from LANG, made once per run.
#include "setup.h"
#include "utils.h"

#include <cstdlib>
#include <string>

namespace {

// The known language codes, in the order of kTables.
constexpr const char* kLanguageCodes = ",en_US,es_ES,it_IT,fr_FR,ge_GE,pr_BR";
const char* const* const kTables[] = {NLS_ENGLISH, NLS_SPANISH, NLS_ITALIAN,
                                      NLS_FRENCH,  NLS_GERMAN,  NLS_PORTUGUESE};

const char* const* SelectTable() {
    const char* lang = std::getenv("LANG");
    if (lang == nullptr)
        return NLS_ENGLISH;
    // LANG loses its codeset suffix for the rest of the run, so the commands run
    // later see the shortened value too. The string getenv returns may not be
    // written to; the environment gets the shortened copy instead.
    std::string code = lang;
    if (const std::size_t dot = code.find('.'); dot != std::string::npos) {
        code.resize(dot);
        setenv("LANG", code.c_str(), 1);
    }
    // A value holding the list's delimiter would match several codes at once.
    const int position =
        code.find(',') == std::string::npos ? FindToken(code.c_str(), kLanguageCodes) : 0;
    return position > 0 ? kTables[position - 1] : NLS_ENGLISH;
}

} // namespace

const char* nlsSetupStrCvt(int n) {
    static const char* const* const table = SelectTable();
    return table[n];
}
