// Captions of the main window and the macro windows in every shipped language: one font size,
// whole or elided with the whole text as tip, and wider buttons that stay clear of the panels;
// the home-page link.
#include <QCursor>
#include <QFontMetrics>
#include <QLabel>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/ui_text.h"
#include "main_window_fixture.h"
#include "skin/caption_fit.h"
#include "skin/skin_config.h"
#include "skin/skin_settings.h"
#include "ui/macro_dlg.h"
#include "ui/pick_macro_dlg.h"
#include "ui/url_opener.h"

namespace {

using main_window_test::MainWindowTest;

// The main window with the program's own font loaded, as the program runs, and without tool
// tips of their own, so that only elision can give a button its tip.
class CaptionTest : public MainWindowTest {
  protected:
    void SetUp() override {
        m_savedTips = g_Config.BtnTips;
        g_Config.BtnTips = 0;
        ASSERT_EQ(LoadAppFont(), 1);
        MainWindowTest::SetUp();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        UnloadAppFont();
        g_Config.BtnTips = m_savedTips;
        ui_test::ProgramFolder::UseLanguage("English");
    }
    static QFont WindowFont() { return *SkinAppFont(); }

    // One font size; a caption that does not fit is elided and its whole text is the tip.
    static void ExpectCaptionRule(CPngBtn* b, const std::string& what) {
        SCOPED_TRACE(what + " \"" + b->Caption() + "\"");
        EXPECT_EQ(b->CaptionFont().pixelSize(), WindowFont().pixelSize());
        EXPECT_EQ(b->CaptionFont().family(), WindowFont().family());
        const QString caption = QString::fromStdString(b->Caption());
        const FittedCaption fit = FitCaption(b->CaptionFont(), caption, b->CaptionRoom());
        EXPECT_EQ(fit.elided, b->IsCaptionElided());
        if (fit.elided) {
            EXPECT_EQ(b->toolTip(), caption);
        } else {
            // A whole caption keeps clear of both sides of its button.
            EXPECT_LE(
                b->CaptionLeft() + CaptionWidth(b->CaptionFont(), caption) + CPngBtn::kCaptionInset,
                b->width());
        }
    }

    int m_savedTips = 1;
};

TEST_F(CaptionTest, EveryCaptionKeepsTheWindowFontInEveryLanguage) {
    ASSERT_GT(g_Config.LangCount, 1);
    for (int k = 0; k < g_Config.LangCount; ++k) {
        SCOPED_TRACE(g_Config.Lang[k].folder);
        m_window->SwitchLanguage(k);
        ui_test::Pump();
        std::vector<std::pair<CPngBtn*, std::string>> buttons = {
            {m_window->MacroButton(), "macro"},
            {m_window->RestoreButton(), "restore"},
            {m_window->ImportButton(), "import"},
            {m_window->ExportButton(), "export"}};
        for (int i = 0; i < Model().KeyCount; ++i)
            buttons.push_back({m_window->KeyButton(i), "key " + std::to_string(i)});
        for (int i = 0; i < 5; ++i)
            buttons.push_back({m_window->LightButton(i), "light " + std::to_string(i)});
        for (auto& [b, what] : buttons) ExpectCaptionRule(b, what);

        // The lighting buttons fit their captions, in one row left of the colour picker.
        for (int i = 0; i < 5; ++i) {
            CPngBtn* b = m_window->LightButton(i);
            EXPECT_FALSE(b->IsCaptionElided()) << b->Caption();
            EXPECT_GE(b->width(), m_window->Rects().light[i].width());
            if (i > 0) {
                EXPECT_GT(b->x(), m_window->LightButton(i - 1)->geometry().right()) << i;
            }
        }
        EXPECT_LT(m_window->LightButton(4)->geometry().right(), m_window->Rects().pickColor.x());

        // Widened buttons stay clear of every other control on the face.
        std::vector<QWidget*> widened;
        for (int i = 0; i < Model().KeyCount; ++i) widened.push_back(m_window->KeyButton(i));
        for (int i = 0; i < 5; ++i) widened.push_back(m_window->LightButton(i));
        for (CPngBtn* b : {m_window->ExportButton(), m_window->ImportButton(),
                           m_window->MacroButton(), m_window->RestoreButton()}) {
            EXPECT_FALSE(b->IsCaptionElided()) << b->Caption();
            widened.push_back(b);
        }
        // The key sets' row: its caption whole in the window's font, the sets and the rules
        // button after it on one line, none of them over another control or out of the window.
        QLabel* caption = m_window->KeySetCaption();
        ASSERT_NE(caption, nullptr);
        EXPECT_FALSE(g_UiText.tc_keyset_caption.empty());
        EXPECT_EQ(caption->text().toStdString(), g_UiText.tc_keyset_caption);
        EXPECT_EQ(caption->font().pixelSize(), WindowFont().pixelSize());
        EXPECT_LE(QFontMetrics(caption->font()).horizontalAdvance(caption->text()),
                  caption->width())
            << caption->text().toStdString();
        EXPECT_FALSE(caption->isHidden());
        EXPECT_FALSE(m_window->RulesButton()->IsCaptionElided())
            << m_window->RulesButton()->Caption();
        QWidget* row[] = {caption, m_window->KeySetButton(0), m_window->KeySetButton(1),
                          m_window->KeySetButton(2), m_window->RulesButton()};
        for (size_t i = 0; i < std::size(row); ++i) {
            EXPECT_TRUE(m_window->rect().contains(row[i]->geometry())) << i;
            EXPECT_EQ(row[i]->y(), caption->y()) << i;
            if (i > 0) {
                EXPECT_GT(row[i]->x(), row[i - 1]->geometry().right()) << i;
            }
            widened.push_back(row[i]);
        }
        for (QWidget* w : widened) {
            for (QWidget* other : m_window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (other == w || other->isHidden() || other->isWindow()) continue;
                EXPECT_FALSE(w->geometry().intersects(other->geometry()))
                    << w->objectName().toStdString() << w->accessibleName().toStdString()
                    << " overlaps " << other->metaObject()->className() << " at " << other->x()
                    << "," << other->y();
            }
        }

        for (CTopDialog* dlg : std::initializer_list<CTopDialog*>{
                 new CMacroDlg(m_window.get()), new CPickMacroDlg(m_window.get())}) {
            dlg->open();
            ui_test::Pump();
            int captioned = 0;
            for (CPngBtn* b : dlg->findChildren<CPngBtn*>()) {
                if (b->Caption().empty()) continue;
                ExpectCaptionRule(b, dlg->metaObject()->className());
                // The picker's buttons have room for every language's words.
                if (dynamic_cast<CPickMacroDlg*>(dlg)) {
                    EXPECT_FALSE(b->IsCaptionElided()) << b->Caption();
                }
                ++captioned;
            }
            EXPECT_GE(captioned, 3) << dlg->metaObject()->className();
            dlg->reject();
            delete dlg;
        }
    }
}

TEST_F(CaptionTest, AKeyCaptionTooLongForItsRowIsElidedWithTheWholeTextAsTip) {
    g_UiText.tc_click = "A left button function named at great length";
    m_window->RefreshKeyButtons(0);
    CPngBtn* key = m_window->KeyButton(0);
    ASSERT_EQ(key->Caption(), g_UiText.tc_click);
    EXPECT_TRUE(key->IsCaptionElided());
    EXPECT_EQ(key->toolTip().toStdString(), g_UiText.tc_click);
    ExpectCaptionRule(key, "key 0");

    g_UiText.tc_click = "Left";
    m_window->RefreshKeyButtons(0);
    EXPECT_FALSE(key->IsCaptionElided());
    EXPECT_TRUE(key->toolTip().isEmpty()) << "no tip of its own without BtnTips";
}

class HomeLinkTest : public MainWindowTest {
  protected:
    void SetUp() override {
        SetUrlOpener([this](const std::string& url) { m_opened.push_back(url); });
        MainWindowTest::SetUp();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        SetUrlOpener({});
        ui_test::ProgramFolder::UseLanguage("English");
    }
    std::vector<std::string> m_opened;
};

TEST_F(HomeLinkTest, TheAreaLooksLikeALinkAndOpensTheConfiguredAddress) {
    CPngBtn* link = m_window->HomeLink();
    ASSERT_NE(link, nullptr);
    const CfgRect& r = g_Config.rcHomePageBtn;
    EXPECT_EQ(link->geometry(), QRect(r.left, r.top, r.Width(), r.bottom - r.top));
    EXPECT_TRUE(link->isVisible());
    EXPECT_TRUE(link->m_bLink);
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    for (const char* language : {"English", "Deutsch"}) {
        SCOPED_TRACE(language);
        for (int k = 0; k < g_Config.LangCount; ++k)
            if (g_Config.Lang[k].folder == language) m_window->SwitchLanguage(k);
        ASSERT_FALSE(g_UiText.tc_homepage.empty());
        EXPECT_EQ(link->Caption(), g_UiText.tc_homepage);
        // Its text is drawn over the background it stands on.
        const QImage drawn = link->ComposePicture();
        const std::string caption = link->Caption();
        link->SetCaption("");
        const QImage bare = link->ComposePicture();
        link->SetCaption(caption);
        EXPECT_FALSE(drawn.isNull());
        EXPECT_NE(drawn, bare) << "no caption drawn";
        EXPECT_FALSE(link->IsCaptionElided());

        m_opened.clear();
        ui_test::ClickCentre(link);
        EXPECT_EQ(m_opened, std::vector<std::string>{g_UiText.tc_mainweb});
    }
    // The address comes from a language file: only a web address is ever opened.
    for (const char* address : {"", "file:///etc/passwd", "/usr/bin/xterm", "smb://host/share"}) {
        g_UiText.tc_mainweb = address;
        m_opened.clear();
        ui_test::ClickCentre(link);
        EXPECT_TRUE(m_opened.empty()) << "opened \"" << address << "\"";
    }
}

}  // namespace
