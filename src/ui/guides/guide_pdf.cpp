// `mailwright_guide_pdf SOURCE.md OUT.pdf`: lays out one guide document
// written in Markdown on A4 pages and writes it as a PDF. The build runs it
// for every guide in resources/guides; the program only opens the results.
// It needs no display: without one it draws offscreen.
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kResolution = 300;  // dots per inch of the layout
constexpr qreal kBodyPointSize = 11;

// The document's title: its first heading line, without the "#" marks.
QString title_of(const QString& markdown) {
    for (const QString& line : markdown.split('\n')) {
        if (line.startsWith('#')) {
            return line.section(' ', 1).trimmed();
        }
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: mailwright_guide_pdf SOURCE.md OUT.pdf\n", stderr);
        return 64;
    }
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);

    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "mailwright_guide_pdf: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString markdown = QString::fromUtf8(source.readAll());

    QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
    writer.setResolution(kResolution);
    writer.setTitle(title_of(markdown));
    writer.setCreator("Mailwright");
    // The document lays itself out in pages with margins of 2 cm and page
    // numbers at the foot; the page adds none of its own.
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));

    QTextDocument document;
    QFont font = document.defaultFont();
    font.setPointSizeF(kBodyPointSize);
    document.setDefaultFont(font);
    document.setMarkdown(markdown);
    document.print(&writer);
    if (QFileInfo(QString::fromLocal8Bit(argv[2])).size() == 0) {
        std::fprintf(stderr, "mailwright_guide_pdf: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
