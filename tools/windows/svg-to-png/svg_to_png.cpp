// svg-to-png SIZE INPUT.svg OUTPUT.png|OUTPUT.ico: renders the picture into a transparent square of SIZE
// pixels, as a PNG or (for the program's icon resource) a Windows icon, as the output's name says.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[]) {
    // No display is needed to paint into an image.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    bool sizeOk = false;
    const int size = args.size() == 4 ? args.at(1).toInt(&sizeOk) : 0;
    if (!sizeOk || size <= 0) {
        std::fputs("usage: svg-to-png SIZE INPUT.svg OUTPUT.png|OUTPUT.ico\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(args.at(2));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "svg-to-png: cannot read %s\n", qPrintable(args.at(2)));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    if (!image.save(args.at(3))) {
        std::fprintf(stderr, "svg-to-png: cannot write %s\n", qPrintable(args.at(3)));
        return 1;
    }
    return 0;
}
