// Loading section "OPT" of cfg.ini into g_Config, in the fixed order of start-up.
#include "config/program_config.h"

#include <cstdio>
#include <cstring>

#include "config/cfg_files.h"
#include "config/cfg_values.h"
#include "config/sensor_dpi.h"
#include "core/log.h"
#include "core/notifier.h"
#include "core/paths.h"
#include "platform/files.h"
#include "platform/private_profile.h"

ProgramConfig g_Config;

namespace {

// The product line's receiver and Bluetooth identifiers.
constexpr int kDefaultVid = 0x1209;
// The data folder's name when "appdir" is missing, empty or not a plain folder name.
constexpr const char* kDefaultAppDir = "Mivora";
constexpr int kDefaultPid = 0x0007;
constexpr int kDefaultPidBt = 0x0008;

const char kOpt[] = "OPT";

std::string Fmt(const char* fmt, int n) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, n);
    return buf;
}

void ReadLedOptions(const platform::PrivateProfile& ini, ProgramConfig& c) {
    const int small[4][5] = {{0, 1, 0, 0, 1}, {1, 1, 0, 0, 1}, {1, 1, 0, 0, 0}, {0, 0, 0, 0, 0}};
    const int32_t colors[7] = {0x0000FF, 0xFF0000, 0x00FF00, 0xFF0080,
                               0x03C6FA, 0x6A03FA, 0xFA00FA};
    for (int r = 0; r < 4; ++r) {
        LedOption& o = c.LedOpt[r];
        o = LedOption{};
        o.field[0] = 1;
        for (int i = 0; i < 5; ++i) o.field[3 + i] = small[r][i];
        for (int k = 0; k < 7; ++k) o.field[8 + k] = colors[k];
    }
    for (int n = 1; n <= 4; ++n) {
        std::string text;
        if (!ini.ReadString(kOpt, Fmt("LedOpt%d", n), text, 259) || text.empty()) continue;
        uint8_t b[29] = {};
        const int count = ParseByteList(text, b, 29);
        LedOption& o = c.LedOpt[n - 1];
        o.field[0] = 1;
        for (int i = 0; i < 5; ++i) o.field[3 + i] = b[i];
        if (count > 5)
            for (int k = 0; k < 7; ++k)
                o.field[8 + k] = b[5 + 3 * k] | b[6 + 3 * k] << 8 | b[7 + 3 * k] << 16;
    }
}

// Cuts UTF-8 text to at most n characters.
std::string CutChars(const std::string& s, size_t n) {
    size_t chars = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<uint8_t>(s[i]) & 0xC0) == 0x80) continue;
        if (chars == n) return s.substr(0, i);
        ++chars;
    }
    return s;
}

// One folder name: no separators and not "." or "..".
bool IsPlainFolderName(const std::string& name) {
    return name.find_first_of("/\\") == std::string::npos && name != "." && name != "..";
}

void ReadLanguages(const platform::PrivateProfile& ini, ProgramConfig& c) {
    c.LangCount = 0;
    for (int n = 1; n <= kMaxLanguages; ++n) {
        std::string text;
        if (!ini.ReadString(kOpt, Fmt("Lang%d", n), text, 259) || text.empty()) return;
        const size_t comma = text.find(',');
        // The folder is joined to the program folder; it must stay inside it.
        if (comma == std::string::npos || comma + 1 >= text.size() ||
            !IsPlainFolderName(text.substr(comma + 1))) {
            NotifyUser(Fmt("Lang%d is invalidate", n), "Error");
            return;
        }
        LangEntry& e = c.Lang[c.LangCount++];
        e.name = CutChars(text.substr(0, comma), kLangFieldChars);
        e.folder = CutChars(text.substr(comma + 1), kLangFieldChars);
    }
}

}  // namespace

void ClearProgramConfig() {
    g_Config = ProgramConfig{};
}

int LoadProgramConfig(const std::string& cfgPath) {
    platform::PrivateProfile ini;
    ini.Load(cfgPath);
    return LoadProgramConfig(ini);
}

int LoadProgramConfig(const platform::PrivateProfile& ini) {
    ProgramConfig& c = g_Config;
    auto geti = [&](const char* key, int def) { return ini.GetInt(kOpt, key, def); };

    c.Debug = geti("Debug", 0);
    g_nLogLevel = c.Debug;
    InitLog();

    c.Suwnd = geti("Suwnd", 0);
    c.ApplyNow = geti("ApplyNow", 0);
    c.MatchStr = static_cast<uint16_t>(geti("MatchStr", 0));
    c.Macro_Opt_X = geti("Macro_Opt_X", 0x244);
    c.BtnTips = geti("BtnTips", 0);
    c.NotCheckPSD = geti("NotCheckPSD", 0);
    c.MenuItems = geti("MenuItems", 13);
    c.PopByte1 = geti("PopByte1", 0);
    c.EnhancePrecision = geti("EnhancePrecision", 1);
    c.ShowWelcome = static_cast<uint16_t>(geti("ShowWelcome", 0));
    c.ComboRec = geti("ComboRec", 1);
    c.FontSize = geti("FontSize", 12);
    c.MinDelay = geti("MinDelay", 10);
    c.MacroDir = geti("MacroDir", 0);
    c.MacPath = geti("MacPath", 0);
    c.MacroHasMsKey = geti("MacroHasMsKey", 0);
    c.ListTrans = geti("ListTrans", 0);
    if (!ReadCfgRect(ini, "rcMacroList", c.rcMacroList)) c.rcMacroList = CfgRect{84, 76, 287, 395};
    if (!ReadCfgRect(ini, "rcKeyList", c.rcKeyList)) c.rcKeyList = CfgRect{326, 76, 499, 395};
    c.clrMacFrame = ReadCfgColor(ini, "clrMacFrame", 0x646464);
    c.InsertBefore = geti("InsertBefore", 1);
    c.MinUIDelay = geti("MinUIDelay", 1);
    if (!ReadCfgRect(ini, "rcSupprotBtn", c.rcSupprotBtn))
        c.rcSupprotBtn = CfgRect{160, 400, 770, 430};
    ReadCfgRect(ini, "rcHomePageBtn", c.rcHomePageBtn);
    c.VID = static_cast<uint16_t>(geti("VID", kDefaultVid));
    c.PID = static_cast<uint16_t>(geti("PID", kDefaultPid));
    c.PIDBT = static_cast<uint16_t>(geti("PIDBT", kDefaultPidBt));

    c.FontName = ini.GetString(kOpt, "FontName", "", 29);
    c.USBString = ini.GetString(kOpt, "USBString", "", 29);
    c.appdir = ini.GetString(kOpt, "appdir", "", 29);
    c.Title = ini.GetString(kOpt, "Title", "", 39);
    // The data folder is created under the user's data folder: a name that walks out of it is
    // refused like a missing one, and either gets the default name, so the user's files never
    // land at the top of the data folder.
    if (!IsPlainFolderName(c.appdir)) {
        g_pfnLog("LoadProgramConfig: appdir \"%s\" is not a plain folder name", c.appdir.c_str());
        c.appdir.clear();
    }
    if (c.appdir.empty()) {
        NotifyUser("APPDATA=NULL", "Error");
        c.appdir = kDefaultAppDir;
    }

    c.Sensor = geti("Sensor", 0x3050);
    c.Pop = geti("Pop", 0);
    c.TrayIcon = geti("TrayIcon", 2);
    c.AutoSw = geti("AutoSw", 0);
    c.GoWithNoDev = geti("GoWithNoDev", 0);
    c.ExitType = geti("ExitType", 0);
    c.ShowDpiColor = static_cast<uint16_t>(geti("ShowDpiColor", 0));
    c.ShowUsbRate = geti("ShowUsbRate", 1);
    c.ShowPower = geti("ShowPower", 1);
    c.KeyMask = geti("KeyMask", 0);
    c.UIDebug = geti("UIDebug", 0);
    c.ShowDbClickSpeed = geti("ShowDbClickSpeed", 1);
    c.ShowFWUpdate = geti("ShowFWUpdate", 0);
    c.ShowApply = geti("ShowApply", 0);
    c.Retry = geti("Retry", 3);

    c.Txt_clr = ReadCfgColor(ini, "Txt_clr", 0);
    c.Btn_txt_clr_nr = ReadCfgColor(ini, "Btn_txt_clr_nr", 0);
    c.Btn_txt_clr_ov = ReadCfgColor(ini, "Btn_txt_clr_ov", 0);
    c.Btn_txt_clr_dn = ReadCfgColor(ini, "Btn_txt_clr_dn", 0);
    c.Btn_txt_clr_nr2 = ReadCfgColor(ini, "Btn_txt_clr_nr2", 0);
    c.Btn_txt_clr_ov2 = ReadCfgColor(ini, "Btn_txt_clr_ov2", 0);
    c.Btn_txt_clr_dn2 = ReadCfgColor(ini, "Btn_txt_clr_dn2", 0);
    c.Menu_txt_clr_nr = ReadCfgColor(ini, "Menu_txt_clr_nr", 0);
    c.Menu_txt_clr_ov = ReadCfgColor(ini, "Menu_txt_clr_ov", 0);
    c.Menu_txt_clr_dn = ReadCfgColor(ini, "Menu_txt_clr_dn", 0);
    c.LstBox_txt_clr_nr = ReadCfgColor(ini, "LstBox_txt_clr_nr", 0);
    c.LstBox_txt_clr_dn = ReadCfgColor(ini, "LstBox_txt_clr_dn", 0);
    c.LstBox_bkg_clr = ReadCfgColor(ini, "LstBox_bkg_clr", 0);
    c.LstBox_item_clr = ReadCfgColor(ini, "LstBox_item_clr", 0);
    c.clrEdit = ReadCfgColor(ini, "clrEdit", 0x141414);
    c.ClrMask = ReadCfgColor(ini, "ClrMask", 0);
    c.clrBtNr = ReadCfgColor(ini, "clrBtNr", 0);
    c.clrDpiMark = ReadCfgColor(ini, "clrDpiMark", 0x00FFFF);
    c.clrRateNr = ReadCfgColor(ini, "clrRateNr", 0x969696);
    c.clrRateDn = ReadCfgColor(ini, "clrRateDn", 0x5B6705);

    c.BarY = geti("BarY", 2);
    c.ScaleY = geti("ScaleY", 4);
    c.SliderY = geti("SliderY", 0);
    c.MenuW = geti("MenuW", 0);

    ReadCfgPoint(ini, kOpt, "ptMin", c.ptMin, CfgPoint{950, 10});
    ReadCfgPoint(ini, kOpt, "ptApply", c.ptApply, CfgPoint{867, 645});
    ReadCfgPoint(ini, kOpt, "ptKey", c.ptKey, CfgPoint{355, 209});
    ReadCfgPoint(ini, kOpt, "ptMoveSpeed", c.ptMoveSpeed, CfgPoint{});
    ReadCfgPoint(ini, kOpt, "ptScrollSpeed", c.ptScrollSpeed, CfgPoint{});
    ReadCfgPoint(ini, kOpt, "ptDbClickSpeed", c.ptDbClickSpeed, CfgPoint{});
    ReadCfgPoint(ini, kOpt, "ptRate", c.ptRate, CfgPoint{});
    ReadCfgPoint(ini, kOpt, "ptEnhance", c.ptEnhance, CfgPoint{});
    ReadCfgPoint(ini, kOpt, "ptDPI", c.ptDPI, CfgPoint{});
    ReadCfgPoint(ini, kOpt, "ptLight", c.ptLight, CfgPoint{});

    ReadLedOptions(ini, c);
    ReadLanguages(ini, c);
    return LoadDeviceModels(ini);
}

int LoadConfig(const std::string& appDir) {
    return LoadConfig(appDir, CfgOverrideFiles());
}

int LoadConfig(const std::string& appDir, const std::vector<std::string>& overrideFiles) {
    ClearProgramConfig();
    for (auto& m : g_DeviceModels) m = DeviceModel{};
    std::memset(g_DefaultKeys, 0, sizeof g_DefaultKeys);
    std::memset(g_ExKeyValue, 0, sizeof g_ExKeyValue);
    pSensorCfg.store(nullptr);

    platform::PrivateProfile ini;
    ini.Parse(LoadMergedCfgText(appDir + "cfg.ini", overrideFiles));
    g_Config.Setp200_3325 = ini.GetInt(kOpt, "3325Setp200", 0);
    BuildSensorDpiTable(g_Config.Setp200_3325);
    if (!LoadProgramConfig(ini)) return 0;

    std::memset(g_DefaultKeys, 0, sizeof g_DefaultKeys);
    if (DeviceModel* first = pSensorCfg.load()) FillDefaultKeys(*first);

    MacroLimitSet& l = g_Config.MacroLimits;
    l.MinDelay = g_Config.MinDelay;
    l.SlotBytes = 384;
    l.Limit16 = 16;
    l.Limit255 = 255;
    l.MaxDelay = 0xFFFF;
    l.MacroEventLimit = 30;
    return 1;
}

int InitConfiguration() {
    return LoadConfig(g_szAppDir);
}

std::string AppFontPath() {
    if (g_Config.FontName.empty()) return "";
    const std::string path = g_szAppDir + "appfont.ttf";
    return platform::FileExists(path) ? path : "";
}
