// glyphcheck PROGRAM_FOLDER: lays out every line of cfg.ini and of each text.xml in the program
// folder with the fonts the program uses (its appfont.ttf first, then the system's fallback
// fonts, as the window does) and lists each character drawn as the empty box (glyph 0).
// Exit status 0 when every character has a glyph, 1 otherwise, 2 for a usage error.
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QTextLayout>
#include <cstdio>
#include <set>

namespace {

// True when layout of text with font draws a box for some character.
bool HasBox(const QString& text, const QFont& font) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
        line.setLineWidth(1e6);
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns())
        for (quint32 glyph : run.glyphIndexes())
            if (glyph == 0) return true;
    return false;
}

// The characters of line drawn as boxes.
std::set<char32_t> Boxes(const QString& line, const QFont& font) {
    std::set<char32_t> missing;
    if (!HasBox(line, font)) return missing;
    for (char32_t c : line.toUcs4()) {
        if (c <= 0x20 || c == 0x7F) continue;
        if (HasBox(QString::fromUcs4(&c, 1), font)) missing.insert(c);
    }
    return missing;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: glyphcheck PROGRAM_FOLDER\n", stderr);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QString appFont = folder.filePath("appfont.ttf");
    if (QFile::exists(appFont) && QFontDatabase::addApplicationFont(appFont) < 0)
        std::fprintf(stderr, "glyphcheck: %s is not a font\n", qPrintable(appFont));
    // The window's font (cfg.ini: FontName=DejaVu Sans) and the dialogs' font list.
    QFont face("DejaVu Sans");
    face.setPixelSize(14);
    QFont dialogs;
    dialogs.setFamilies({"MS Shell Dlg", "DejaVu Sans", "sans-serif"});
    dialogs.setPixelSize(12);

    QStringList files{folder.filePath("cfg.ini"), folder.filePath("text.xml")};
    for (const QString& sub : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        if (QFile::exists(folder.filePath(sub + "/text.xml")))
            files << folder.filePath(sub + "/text.xml");

    int failures = 0;
    long characters = 0;
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "glyphcheck: cannot read %s\n", qPrintable(path));
            ++failures;
            continue;
        }
        std::set<char32_t> missing;
        for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
            characters += line.size();
            for (const QFont& font : {face, dialogs}) missing.merge(Boxes(line, font));
        }
        if (missing.empty()) continue;
        ++failures;
        std::printf("%s: drawn as a box:", qPrintable(path));
        int shown = 0;
        for (char32_t c : missing) {
            if (++shown > 20) {
                std::printf(" and %zu more", missing.size() - 20);
                break;
            }
            std::printf(" U+%04X %s", static_cast<unsigned>(c),
                        qPrintable(QString::fromUcs4(&c, 1)));
        }
        std::printf("\n");
    }
    if (failures == 0)
        std::printf("glyphcheck: %lld files, %ld characters, every one with a glyph\n",
                    static_cast<long long>(files.size()), characters);
    return failures == 0 ? 0 : 1;
}
