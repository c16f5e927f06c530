// The skinned dialogs on a screen scaled by 2 draw the skin's sharp pictures, and at scale 1 the
// same pixels as without them.
#include <QImage>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/paths.h"
#include "macro_ui_fixture.h"
#include "skin/image.h"
#include "skin/skin_files.h"
#include "ui/about_dlg.h"
#include "ui/app_rules_dlg.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/firekey_dlg.h"
#include "ui/macro_dlg.h"
#include "ui/menu_dlg.h"
#include "ui/msg_dlg.h"
#include "ui/permission_dlg.h"
#include "ui/pick_color_dlg.h"
#include "ui/pick_macro_dlg.h"
#include "ui/progress_dlg.h"
#include "ui/tree_ctrl_ex.h"
#include "ui/ui_test_util.h"

namespace {

namespace fs = std::filesystem;

constexpr QRgb kDot = 0xFF01FE03;

// A program folder holding a copy of the built skin. Marked, every picture's "@2x" file is the
// built one with a dot of kDot on each odd device pixel where it is opaque: an edge one device
// pixel wide that no enlargement of the 1x picture can give. Unmarked, there are no "@2x" files,
// so the dialogs show what they showed before the skin had any.
class SkinCopy {
  public:
    explicit SkinCopy(bool marked) {
        const fs::path built = testing_support::BinDir() + "skins";
        const fs::path skins = m_dir.path() + "/skins";
        fs::copy(built, skins, fs::copy_options::recursive);
        fs::copy_file(testing_support::BinDir() + "appico.ico", m_dir.path() + "/appico.ico");
        std::vector<std::string> pictures;
        for (const auto& entry : fs::recursive_directory_iterator(skins)) {
            const std::string path = entry.path().string();
            if (entry.path().extension() == ".png" && path.find("@2x") == std::string::npos)
                pictures.push_back(path);
        }
        for (const std::string& path : pictures) {
            const std::string sharpPath = DoubledSkinName(path);
            if (!marked) {
                fs::remove(sharpPath);
                continue;
            }
            QImage sharp(QString::fromStdString(sharpPath));
            if (sharp.isNull()) {
                const QImage base(QString::fromStdString(path));
                sharp = base.scaled(base.size() * 2);
            }
            sharp = sharp.convertToFormat(QImage::Format_ARGB32);
            for (int y = 1; y < sharp.height(); y += 2)
                for (int x = 1; x < sharp.width(); x += 2)
                    if (qAlpha(sharp.pixel(x, y)) == 255) sharp.setPixel(x, y, kDot);
            sharp.save(QString::fromStdString(sharpPath), "PNG");
        }
    }
    void Use() const { g_szAppDir = m_dir.path() + "/"; }

  private:
    testing_support::TempDir m_dir;
};

// The widget's own picture (its children left out) as a screen of scale dpr shows it.
QImage Render(QWidget& widget, qreal dpr) {
    QImage image(widget.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    image.setDevicePixelRatio(1);
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Dots of kDot whose right and lower neighbours are not: drawn one device pixel wide.
int SharpDots(const QImage& image) {
    int dots = 0;
    for (int y = 0; y + 1 < image.height(); ++y)
        for (int x = 0; x + 1 < image.width(); ++x)
            if (image.pixel(x, y) == kDot && image.pixel(x + 1, y) != kDot &&
                image.pixel(x, y + 1) != kDot)
                ++dots;
    return dots;
}

class SharpDialogsTest : public MacroUiTest {
  protected:
    using Widget = std::shared_ptr<QWidget>;

    // A dialog opened as the user meets it; closed when let go.
    template <typename Dlg>
    static Widget Opened(Dlg* dlg) {
        dlg->open();
        ui_test::Pump();
        return Widget(dlg, [](QWidget* w) {
            static_cast<QDialog*>(w)->reject();
            delete w;
        });
    }

    Widget Menu() {
        EXPECT_EQ(LoadMenuImages(), 1);
        std::vector<MenuItem> items(2);
        SetMenuItem(items.data(), 0, 255, 1, "One");
        SetMenuItem(items.data(), 1, 255, 2, "Two");
        const QPoint at(100, 100);
        ShowPopupMenu(&m_owner, 2, 120, &at, 0xC8C8C8, 0xFFFFFF, 0, items.data());
        return Widget(CurrentPopupMenu(), [](QWidget*) {
            ClosePopupMenu();
            FreeMenuImages();
        });
    }

    static Widget Tree() {
        auto tree = std::make_shared<CTreeCtrlEx>(nullptr);
        const SkinImage face = LoadSkinImage("macro_nr.png");
        const std::string marks = g_szAppDir + "skins/macro/";
        tree->Create(nullptr, 261, &face, marks + "open.png", marks + "close.png",
                     QRect(20, 60, 200, 120));
        CTreeItem* folder = tree->InsertLibraryItem(nullptr, true, false, "", "Folder", 0, 0);
        tree->InsertLibraryItem(folder, false, false, "", "Macro", 1, 0);
        tree->InsertLibraryItem(nullptr, true, false, "", "Closed", 0, 0);
        return tree;
    }

    static Widget Rules() {
        CAppRulesDlg::Setup setup;
        setup.sourceName = "X11";
        setup.recent = [] { return std::vector<std::string>{}; };
        setup.store = [](const AppRules&) { return true; };
        return Opened(new CAppRulesDlg(nullptr, setup));
    }

    ui_test::Recorder m_owner;
};

TEST_F(SharpDialogsTest, ScaleTwoDrawsTheSharpSkinAndScaleOneIsUnchanged) {
    const SkinCopy plain(false), marked(true);
    const struct {
        const char* name;
        std::function<std::shared_ptr<QWidget>()> open;
    } dialogs[] = {
        {"message",
         [] {
             auto* dlg = new CMsgDlg;
             dlg->m_nMode = CMsgDlg::kMessage;
             dlg->m_strText = g_UiText.tc_msg29;
             return Opened(dlg);
         }},
        {"about", [] { return Opened(new CAboutDlg); }},
        {"fire key", [] { return Opened(new CFirekeyDlg); }},
        {"macro editor", [] { return Opened(new CMacroDlg); }},
        {"macro picker", [] { return Opened(new CPickMacroDlg); }},
        {"progress",
         [] {
             auto* dlg = new CProgressDlg;
             SetupDefaultProgress(*dlg);
             return Opened(dlg);
         }},
        {"permission",
         [] {
             return Opened(new CPermissionDlg(nullptr, {false, true, true}));
         }},
        {"rules editor", [] { return Rules(); }},
        {"menu", [this] { return Menu(); }},
        {"macro tree", [] { return Tree(); }},
        {"dpi stage",
         [] {
             auto grid = std::make_shared<CDpiGridDlg>(nullptr);
             grid->m_nValue = 1600;
             grid->m_bCurrent = true;
             return std::shared_ptr<QWidget>(grid);
         }},
        {"colour picker", [] { return std::make_shared<CPickColorDlg>(nullptr); }},
    };
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.name);
        auto shown = [&](const SkinCopy& skin, qreal scale) {
            skin.Use();
            const std::shared_ptr<QWidget> w = d.open();
            EXPECT_NE(w, nullptr);
            return w ? Render(*w, scale) : QImage();
        };
        const QImage before = shown(plain, 1);
        ASSERT_FALSE(before.isNull());
        EXPECT_EQ(shown(marked, 1), before) << "the sharp pictures play no part at scale 1";
        const QImage twice = shown(marked, 2);
        EXPECT_EQ(twice.size(), before.size() * 2);
        EXPECT_GE(SharpDots(twice), 100);
    }
}

}  // namespace
