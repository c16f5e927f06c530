// The toolkit's standard colour and file dialogs dressed like the rest of the program: the
// dark palette of the skin, the toolkit's own translations for the program's language, and
// file dialogs that open in the last folder used (the home folder at first).
#pragma once

#include <QColor>
#include <QLocale>
#include <QPalette>
#include <QString>

#include <string>

class QWidget;

// The locale of a language folder of the program ("Deutsch", "简体中文", ...); the system's
// locale for a folder it does not know.
QLocale LocaleOfLanguageFolder(const std::string& folder);
// Loads the toolkit's translations (qtbase) for the locale in place of the ones loaded before;
// false when none are installed for it (the dialogs then stay in English).
bool UseStandardDialogLanguage(const QLocale& locale);

// The dark palette the standard dialogs are shown with.
QPalette StandardDialogPalette();
// Tool tips in the same dark colours as the skinned windows they explain.
void UseDarkToolTips();

// Modal colour dialog preset with initial; an invalid colour when cancelled.
QColor AskColor(QWidget* parent, const QColor& initial);
// Modal file dialogs; "" when cancelled. They start in the folder of the last file chosen in
// any of them during this run, else in the user's home folder.
// title: the dialog's title; empty for the toolkit's own.
QString AskOpenFileName(QWidget* parent, const QString& filter, const QString& title = QString());
// suggestedName: the file name offered (in the start folder); may be empty.
QString AskSaveFileName(QWidget* parent, const QString& filter,
                        const QString& suggestedName = QString(), const QString& title = QString());
// The folder the next file dialog opens in.
QString FileDialogStartFolder();
