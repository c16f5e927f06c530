// Program-wide settings from section "OPT" of cfg.ini. Members carry the names of their keys.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/device_model.h"

constexpr int kMaxLanguages = 10;
constexpr int kLangFieldChars = 29;  // display and folder names are cut to this many characters

struct LangEntry {
    std::string name;    // shown in the language menu
    std::string folder;  // folder under the program folder that holds text.xml
};

// One "LedOpt%d" record: [0] present flag, [3..7] five small values, [8..14] seven colours.
struct LedOption {
    int32_t field[16] = {};
};

// Limits for the macro Parts, fixed at the end of loading.
struct MacroLimitSet {
    int MinDelay = 0;         // "MinDelay"
    int SlotBytes = 0;        // 384: bytes of a key slot buffer
    int Limit16 = 0;          // 16
    int Limit255 = 0;         // 255
    int MaxDelay = 0;         // 0xFFFF
    int MacroEventLimit = 0;  // 30 key and button events per macro
};

struct ProgramConfig {
    // Integer keys, in reading order.
    int Debug = 0;
    int Suwnd = 0;
    int ApplyNow = 0;
    uint16_t MatchStr = 0;
    int Macro_Opt_X = 0;
    int BtnTips = 0;
    int NotCheckPSD = 0;
    int MenuItems = 0;
    int PopByte1 = 0;
    int EnhancePrecision = 0;
    uint16_t ShowWelcome = 0;
    int ComboRec = 0;
    int FontSize = 0;
    int MinDelay = 0;
    int MacroDir = 0;
    int MacPath = 0;
    int MacroHasMsKey = 0;
    int ListTrans = 0;
    int InsertBefore = 0;
    int MinUIDelay = 0;
    uint16_t VID = 0;
    uint16_t PID = 0;
    uint16_t PIDBT = 0;
    int Sensor = 0;
    int Pop = 0;
    int TrayIcon = 0;
    int AutoSw = 0;
    int GoWithNoDev = 0;
    int ExitType = 0;
    uint16_t ShowDpiColor = 0;
    int ShowUsbRate = 0;
    int ShowPower = 0;
    int KeyMask = 0;
    int UIDebug = 0;
    int ShowDbClickSpeed = 0;
    int ShowFWUpdate = 0;
    int ShowApply = 0;
    int Retry = 0;
    int BarY = 0;
    int ScaleY = 0;
    int SliderY = 0;
    int MenuW = 0;
    int Setp200_3325 = 0;  // "3325Setp200": finer DPI steps above 5000 for sensor 0x3325

    // Rectangle keys.
    CfgRect rcMacroList;
    CfgRect rcKeyList;
    CfgRect rcSupprotBtn;
    CfgRect rcHomePageBtn;

    // Text keys (cut to 29, 29, 29 and 39 characters).
    std::string FontName;
    std::string USBString;
    std::string appdir;  // never empty after loading: a bad or missing name gets the default
    std::string Title;

    // Colour keys, 0x00BBGGRR.
    uint32_t Txt_clr = 0;
    uint32_t Btn_txt_clr_nr = 0;
    uint32_t Btn_txt_clr_ov = 0;
    uint32_t Btn_txt_clr_dn = 0;
    uint32_t Btn_txt_clr_nr2 = 0;
    uint32_t Btn_txt_clr_ov2 = 0;
    uint32_t Btn_txt_clr_dn2 = 0;
    uint32_t Menu_txt_clr_nr = 0;
    uint32_t Menu_txt_clr_ov = 0;
    uint32_t Menu_txt_clr_dn = 0;
    uint32_t LstBox_txt_clr_nr = 0;
    uint32_t LstBox_txt_clr_dn = 0;
    uint32_t LstBox_bkg_clr = 0;
    uint32_t LstBox_item_clr = 0;
    uint32_t clrEdit = 0;
    uint32_t ClrMask = 0;
    uint32_t clrBtNr = 0;
    uint32_t clrDpiMark = 0;
    uint32_t clrRateNr = 0;
    uint32_t clrRateDn = 0;
    uint32_t clrMacFrame = 0;

    // Point keys: positions of control groups in the main window (y 0: built-in position).
    CfgPoint ptMin;
    CfgPoint ptApply;
    CfgPoint ptKey;
    CfgPoint ptMoveSpeed;
    CfgPoint ptScrollSpeed;
    CfgPoint ptDbClickSpeed;
    CfgPoint ptRate;
    CfgPoint ptEnhance;
    CfgPoint ptDPI;
    CfgPoint ptLight;

    LedOption LedOpt[4];

    // "Lang1".."Lang10": entries up to the first absent, empty or invalid one.
    LangEntry Lang[kMaxLanguages];
    int LangCount = 0;

    MacroLimitSet MacroLimits;
};

extern ProgramConfig g_Config;

// Start-up loading: clears every setting, the model table and g_DefaultKeys, reads
// "3325Setp200" and builds the sensor DPI table, reads section "OPT" (starting the log right
// after "Debug"), the model sections, fills g_DefaultKeys from the first model and sets the
// macro limits. Reads appDir + "cfg.ini" (appDir ends with "/") with the keys of the override
// files on top (see cfg_files.h). A missing file is not an error.
// Returns 1, or 0 when the model sections are invalid (the caller shows "Data Init failed").
int LoadConfig(const std::string& appDir);
// The same with the override files given, strongest first.
int LoadConfig(const std::string& appDir, const std::vector<std::string>& overrideFiles);
// LoadConfig with the program folder g_szAppDir.
int InitConfiguration();
// Reads section "OPT" and then the model sections of cfgPath; returns LoadDeviceModels' result.
int LoadProgramConfig(const std::string& cfgPath);
// The same for a file already parsed.
int LoadProgramConfig(const platform::PrivateProfile& ini);
// Sets every setting to zero (the state before loading).
void ClearProgramConfig();

// Path of the application font file when "FontName" is set and appfont.ttf exists in the
// program folder; empty otherwise (then no font is loaded).
std::string AppFontPath();
