// mivora-cli config: loads texts and configuration as the program's start-up does and prints
// what was loaded, with every message the loading produced.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "config/device_model.h"
#include "config/program_config.h"
#include "config/sensor_dpi.h"
#include "config/ui_text.h"
#include "core/notifier.h"
#include "core/paths.h"

namespace {

class CollectingNotifier : public Notifier {
  public:
    CollectingNotifier() { m_previous = SetNotifier(this); }
    ~CollectingNotifier() override { SetNotifier(m_previous); }
    int Show(const std::string& text, const std::string& caption, unsigned) override {
        messages.emplace_back(caption, text);
        return IDOK;
    }
    std::vector<std::pair<std::string, std::string>> messages;  // (caption, text)

  private:
    Notifier* m_previous = nullptr;
};

void PrintMessages(const CollectingNotifier& n) {
    std::printf("\nMessages (%zu)\n", n.messages.size());
    for (const auto& [caption, text] : n.messages)
        std::printf("  [%s] %s\n", caption.c_str(), text.c_str());
}

std::string Rgb(uint32_t c) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%u,%u,%u", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return buf;
}

void PrintSettings() {
    const ProgramConfig& c = g_Config;
    std::printf("Program folder  %s\n", g_szAppDir.c_str());
    std::printf("Data folder     %s\n", g_szDataDir.c_str());
    std::printf("Title           %s\n", c.Title.c_str());
    std::printf("appdir          %s (MacPath %d)\n", c.appdir.c_str(), c.MacPath);
    std::printf("Receiver        VID 0x%04x PID 0x%04x, Bluetooth PID 0x%04x\n", c.VID, c.PID,
                c.PIDBT);
    std::printf(
        "Debug %d  ApplyNow %d  Retry %d  GoWithNoDev %d  KeyMask 0x%x  TrayIcon %d  ExitType %d\n",
        c.Debug, c.ApplyNow, c.Retry, c.GoWithNoDev, c.KeyMask, c.TrayIcon, c.ExitType);
    std::printf(
        "MinDelay %d  MinUIDelay %d  MacroDir %d  InsertBefore %d  EnhancePrecision %d  "
        "3325Setp200 %d\n",
        c.MinDelay, c.MinUIDelay, c.MacroDir, c.InsertBefore, c.EnhancePrecision, c.Setp200_3325);
    std::printf("Font            %s, %d px\n", c.FontName.empty() ? "(none)" : c.FontName.c_str(),
                c.FontSize);
    std::printf("Text colour     %s   buttons %s / %s / %s\n", Rgb(c.Txt_clr).c_str(),
                Rgb(c.Btn_txt_clr_nr).c_str(), Rgb(c.Btn_txt_clr_ov).c_str(),
                Rgb(c.Btn_txt_clr_dn).c_str());
    const std::pair<const char*, CfgPoint> points[] = {{"ptMin", c.ptMin},
                                                       {"ptKey", c.ptKey},
                                                       {"ptMoveSpeed", c.ptMoveSpeed},
                                                       {"ptScrollSpeed", c.ptScrollSpeed},
                                                       {"ptDbClickSpeed", c.ptDbClickSpeed},
                                                       {"ptRate", c.ptRate},
                                                       {"ptEnhance", c.ptEnhance},
                                                       {"ptDPI", c.ptDPI},
                                                       {"ptLight", c.ptLight}};
    std::printf("Positions      ");
    for (const auto& [name, p] : points) std::printf(" %s %d,%d", name, p.x, p.y);
    std::printf("\nHome page area  %d,%d,%d,%d\n", c.rcHomePageBtn.left, c.rcHomePageBtn.top,
                c.rcHomePageBtn.right, c.rcHomePageBtn.bottom);
}

void PrintLanguages(int chosen) {
    std::printf("\nLanguages (%d)\n", g_Config.LangCount);
    for (int i = 0; i < g_Config.LangCount; ++i)
        std::printf("  %c %d  %-12s folder %s\n", i == chosen ? '*' : ' ', i,
                    g_Config.Lang[i].name.c_str(), g_Config.Lang[i].folder.c_str());
}

void PrintModels() {
    int inUse = 0;
    for (const auto& m : g_DeviceModels) inUse += m.Sensor != 0;
    std::printf("\nModels (%d)\n", inUse);
    for (int n = 0; n < kMaxDeviceModels; ++n) {
        const DeviceModel& m = g_DeviceModels[n];
        if (m.Sensor == 0) continue;
        std::printf(
            "  DEV_%d  CID 0x%02x MID 0x%02x  sensor 0x%04x  link %s  lighting %s  keys %d\n",
            n + 1, m.CID, m.MID, m.Sensor,
            m.DevTy == 1 ? "receiver" : (m.DevTy == 3 ? "receiver+Bluetooth" : "other"),
            m.ShowLED ? "yes" : "no", m.KeyCount);
        std::printf("         stages %d (start %d):", m.DM, m.DEFLEVEL + 1);
        for (int i = 0; i < m.DM && i < kMaxDpiStages; ++i) {
            if (const auto code = DpiCode(m.Sensor, m.DPI[i]))
                std::printf(" %d (code 0x%02x)", m.DPI[i], *code);
            else
                std::printf(" %d (no code)", m.DPI[i]);
        }
        std::printf("\n         report rate %x Hz\n", m.DR);
    }
}

}  // namespace

int CmdConfig(const CliOptions& opts, const std::vector<std::string>& args) {
    if (!args.empty()) return CliFail("config takes no arguments");
    CollectingNotifier notifier;
    if (!InitAppDir()) return CliFail("cannot find the program folder");
    LoadUiTexts(g_szAppDir + "text.xml");
    if (!LoadConfig(g_szAppDir)) {
        PrintMessages(notifier);
        return CliFail("Data Init failed: cfg.ini has an invalid model section (MDNUM or KM)");
    }
    if (!opts.dataDir.empty())
        g_szDataDir = WithSlash(opts.dataDir);
    else
        InitDataDir(g_Config.appdir, g_Config.MacPath == 1);
    const int skinOk = IfMatch();
    const int lang = ReadLangIndex(g_szDataDir);
    if (g_Config.LangCount > 0)
        LoadUiTexts(LanguageTextPath(g_szAppDir, g_Config.Lang[lang].folder));

    PrintSettings();
    std::printf("Skin check      %s\n", skinOk ? "passed" : "FAILED");
    PrintLanguages(lang);
    PrintModels();
    PrintMessages(notifier);
    if (!skinOk)
        return CliFail("the skin mark does not match the title; the program would not start");
    return 0;
}
