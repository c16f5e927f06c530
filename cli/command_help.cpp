#include "cli/command_help.h"

#include <cstring>

#include "profile/function_codes.h"

namespace {

struct CommandHelp {
    const char* name;
    const char* text;  // usage lines, a blank line, the description
};

// Kept beside the man page mivora-cli(1): a command added here belongs there too.
const CommandHelp kHelp[] = {
    {"config",
     "usage: mivora-cli config\n\n"
     "Loads cfg.ini and the texts from the program folder as the desktop program does at\n"
     "start-up and prints the settings, the language list, the model table (codes, sensor,\n"
     "DPI stages with their hardware codes, key count) and every message the loading raised.\n"
     "Exits with 1 when loading fails.\n"},
    {"devices",
     "usage: mivora-cli devices\n\n"
     "Searches the HID devices once and lists every mouse of the product line that answered,\n"
     "with its customer and model codes.\n"},
    {"status",
     "usage: mivora-cli status\n\n"
     "Asks the mouse for its connection status and prints whether it answers.\n"},
    {"macro",
     "usage: mivora-cli macro list [--names]\n"
     "       mivora-cli macro show NAME\n"
     "       mivora-cli macro import FILE.zqm [--folder DIR]\n"
     "       mivora-cli macro export NAME FILE.zqm\n\n"
     "The macro library of the data folder: list its macros (id, events, file, name; with\n"
     "--names only the names, one a line), show one macro's events, import a macro file into\n"
     "the library (into the library folder DIR when macro folders are on) or write a library\n"
     "macro to a file. NAME is the macro's name or its file name.\n"},
    {"read",
     "usage: mivora-cli read [--json]\n\n"
     "Identifies the mouse, loads its stored profile, reads the mouse's memory into it and\n"
     "prints it: model, report rates, DPI stages, keys, lighting and pointer settings. With\n"
     "--json the same as one JSON object (its fields are listed in the README).\n"},
    {"set",
     "usage: mivora-cli set dpi STAGE X [Y]\n"
     "       mivora-cli set stage STAGE\n"
     "       mivora-cli set rate 125|250|500|1000 [--bluetooth]\n"
     "       mivora-cli set light MODE [--color RRGGBB] [--speed N] [--brightness N]\n"
     "       mivora-cli set key INDEX FUNCTION [--set N]\n\n"
     "Changes one setting in the stored profile and writes it to the mouse at once. Stages\n"
     "and keys count from 0. dpi sets a stage's resolution (Y defaults to X), stage the\n"
     "current stage, rate the receiver's (or with --bluetooth the Bluetooth) report rate,\n"
     "light the lighting mode with its colour, speed and brightness, key a key's function.\n"
     "key acts on the current key set; --set N (1 to 3) changes key set N of the stored\n"
     "profile instead, which reaches the mouse only when that set is switched to.\n"
     "Over Bluetooth the rates 125, 250 and 500 are 90, 115 and 133 Hz; read shows those\n"
     "numbers and set rate --bluetooth takes them too.\n\n"
     "FUNCTION is one of:\n"
     "  left right middle forward back off dpi-up dpi-down dpi-cycle light-switch\n"
     "  media:NAME         a media key (names below)\n"
     "  combo:KEYS         a key combination such as combo:Ctrl+Shift+A (at most 3 keys)\n"
     "  macro:NAME[:N]     a macro of the library, played N times (0 to 255, default 1)\n"
     "  fire:COUNT         fire key: COUNT left clicks (1 to 255)\n"
     "  0xXXXXXXXX         a raw function code\n"},
    {"keyset",
     "usage: mivora-cli keyset [1|2|3]\n\n"
     "The profile holds three key sets; the mouse holds the current one. Without an\n"
     "argument, prints which set is current and the functions of each set's keys. With N,\n"
     "makes key set N current and writes to the mouse only what differs from what it holds.\n"},
    {"apply",
     "usage: mivora-cli apply\n\n"
     "Writes the whole stored profile (keys with their macros, DPI stages, lighting, report\n"
     "rates and pointer settings) to the mouse without reading the mouse first.\n"},
    {"restore",
     "usage: mivora-cli restore\n\n"
     "Replaces the stored profile with the model's default profile, writes it to the mouse,\n"
     "restores the pointer settings and resets the mouse.\n"},
    {"export",
     "usage: mivora-cli export FILE.zqa\n\n"
     "Reads the mouse and writes its profile, with the macros its keys play, to FILE.zqa.\n"
     "With no mouse connected it writes the stored profile of the model last used instead\n"
     "and says on standard error which model (cid, mid) that profile belongs to.\n"},
    {"import",
     "usage: mivora-cli import FILE.zqa [--force] [--rules]\n\n"
     "Reads a profile file (as written by export or by the desktop program), adds its macros\n"
     "to the library and writes the profile to the mouse. --force takes a profile made for a\n"
     "model with another sensor.\n"
     "The rules by application an export left beside the file (FILE.rules.ini) are taken when\n"
     "you have none; rules of your own are kept unless --rules is given, which replaces them.\n"},
};

}  // namespace

bool IsHelpWord(const std::string& word) {
    return word == "--help" || word == "-h";
}

bool PrintCommandHelp(std::FILE* out, const std::string& name) {
    for (const auto& h : kHelp) {
        if (name != h.name) continue;
        std::fputs(h.text, out);
        if (std::strcmp(h.name, "set") == 0) {
            // The media names come from the function table, so they cannot drift from it.
            size_t n = 0;
            const MediaKeyInfo* keys = MediaKeys(&n);
            std::fputs("\nmedia names:\n ", out);
            int column = 1;
            for (size_t i = 0; i < n; ++i) {
                const int width = static_cast<int>(std::strlen(keys[i].shortName)) + 1;
                if (column + width > 78) {
                    std::fputs("\n ", out);
                    column = 1;
                }
                std::fprintf(out, " %s", keys[i].shortName);
                column += width;
            }
            std::fputs("\n", out);
        }
        return true;
    }
    return false;
}

void PrintVersion(std::FILE* out, const char* program) {
    std::fprintf(out, "%s %s\n", program, MIVORA_VERSION);
}
