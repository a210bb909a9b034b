// Renders the guide's HTML page off screen into a picture and checks what a reader would see
// first: the page's Japanese title and the two screenshots, both loaded, before any section.
// The release script runs it on the installed page, whose pictures stand beside it; in no package.
//   tq58_guide_picture GUIDE_HTML PICTURE_PNG
#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFragment>
#include <iostream>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 3) {
        std::cerr << "usage: tq58_guide_picture GUIDE_HTML PICTURE_PNG\n";
        return 2;
    }
    QTextBrowser browser;
    browser.setSource(QUrl::fromLocalFile(QFileInfo(argv[1]).absoluteFilePath()));
    browser.resize(1000, 1400);

    int failures = 0;
    const auto fail = [&failures](const char* what) {
        std::cerr << "guide: " << what << "\n";
        ++failures;
    };
    if (QFontDatabase::families(QFontDatabase::Japanese).isEmpty()) fail("no Japanese font");
    const QTextDocument* page = browser.document();
    if (!page->toPlainText().startsWith(QString::fromUtf8("TQ58 データ転送 操作ガイド"))) {
        fail("the page does not open with its Japanese title");
    }
    // The images of the block after the title, in the order they stand.
    QStringList opening;
    const QTextBlock second = page->firstBlock().next();
    for (auto it = second.begin(); !it.atEnd(); ++it) {
        const QTextFormat format = it.fragment().charFormat();
        if (format.isImageFormat()) opening << format.toImageFormat().name();
    }
    if (opening != QStringList{"screenshot-win32.png", "screenshot-qt.png"}) {
        fail("the page does not open with the two screenshots");
    }
    for (const QString& name : opening) {
        const QVariant image = browser.loadResource(QTextDocument::ImageResource, QUrl(name));
        if (QImage::fromData(image.toByteArray()).isNull() && image.value<QImage>().isNull()) {
            fail("a screenshot does not load");
        }
    }

    if (!browser.grab().save(QString::fromLocal8Bit(argv[2]))) fail("the picture is not saved");
    return failures == 0 ? 0 : 1;
}
