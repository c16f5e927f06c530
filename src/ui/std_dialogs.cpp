#include "ui/std_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QToolTip>
#include <QTranslator>

#include <memory>

#include "config/program_config.h"
#include "skin/image.h"

namespace {

QString& LastFolder() {
    static QString folder;
    return folder;
}

std::unique_ptr<QTranslator>& Translator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

void Remember(const QString& path) {
    if (!path.isEmpty()) LastFolder() = QFileInfo(path).absolutePath();
}

// Dialogs of the toolkit itself (not the desktop's), so that palette and language apply.
template <typename Dialog>
void Dress(Dialog& dlg) {
    dlg.setOption(Dialog::DontUseNativeDialog, true);
    dlg.setPalette(StandardDialogPalette());
}

QString AskFile(QWidget* parent, const QString& filter, bool save, const QString& name,
                const QString& title) {
    const QString start = FileDialogStartFolder();
    QFileDialog dlg(parent, title, name.isEmpty() ? start : start + "/" + name, filter);
    Dress(dlg);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return QString();
    const QString path = dlg.selectedFiles().first();
    Remember(path);
    return path;
}

}  // namespace

QLocale LocaleOfLanguageFolder(const std::string& folder) {
    static const struct {
        const char* folder;
        const char* locale;
    } kKnown[] = {{"English", "en_US"},  {"Deutsch", "de_DE"},   {"简体中文", "zh_CN"},
                  {"繁體中文", "zh_TW"}, {"Français", "fr_FR"},  {"Español", "es_ES"},
                  {"Italiano", "it_IT"}, {"Português", "pt_PT"}, {"Русский", "ru_RU"},
                  {"Polski", "pl_PL"},   {"日本語", "ja_JP"},    {"한국어", "ko_KR"}};
    for (const auto& k : kKnown)
        if (folder == k.folder) return QLocale(QString::fromLatin1(k.locale));
    const QString name = QString::fromStdString(folder);
    for (const QLocale& l :
         QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory))
        if (l.nativeLanguageName().compare(name, Qt::CaseInsensitive) == 0) return l;
    return QLocale::system();
}

bool UseStandardDialogLanguage(const QLocale& locale) {
    if (Translator()) {
        QCoreApplication::removeTranslator(Translator().get());
        Translator().reset();
    }
    auto t = std::make_unique<QTranslator>();
    if (!t->load(locale, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(t.get());
    Translator() = std::move(t);
    return true;
}

void UseDarkToolTips() {
    QToolTip::setPalette(StandardDialogPalette());
}

QPalette StandardDialogPalette() {
    // The skin's window colours: dark surfaces, light text, the accent for selections.
    const QColor window(0x23, 0x26, 0x2e), base(0x1a, 0x1c, 0x22), text(0xe6, 0xe8, 0xec);
    const QColor button(0x2e, 0x32, 0x3c), highlight(0x3d, 0x8b, 0xd9), dim(0x80, 0x86, 0x90);
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, dim);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Link, highlight.lighter(130));
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Light, button.lighter(150));
    p.setColor(QPalette::Midlight, button.lighter(120));
    p.setColor(QPalette::Mid, button.darker(120));
    p.setColor(QPalette::Dark, base.darker(130));
    p.setColor(QPalette::Shadow, Qt::black);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, dim);
    return p;
}

QColor AskColor(QWidget* parent, const QColor& initial) {
    QColorDialog dlg(initial, parent);
    Dress(dlg);
    if (dlg.exec() != QDialog::Accepted) return QColor();
    return dlg.selectedColor();
}

QString AskOpenFileName(QWidget* parent, const QString& filter, const QString& title) {
    return AskFile(parent, filter, false, QString(), title);
}

QString AskSaveFileName(QWidget* parent, const QString& filter, const QString& suggestedName,
                        const QString& title) {
    // Only the name: a suggestion never picks the folder.
    return AskFile(parent, filter, true, QFileInfo(suggestedName).fileName(), title);
}

QString FileDialogStartFolder() {
    if (!LastFolder().isEmpty() && QDir(LastFolder()).exists()) return LastFolder();
    return QDir::homePath();
}
