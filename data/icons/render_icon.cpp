// render_icon: draws the scalable application picture at fixed pixel sizes, for the hicolor
// icon theme and the program's own resources. Built and run while the program is built, so the
// SVG stays the only drawing of the picture.
//
//   render_icon PICTURE.svg OUTPUT_DIR NAME SIZE...
//
// writes OUTPUT_DIR/SIZExSIZE/apps/NAME.png for every SIZE.

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: render_icon PICTURE.svg OUTPUT_DIR NAME SIZE...\n");
        return 2;
    }
    QSvgRenderer m_Renderer(QString::fromLocal8Bit(argv[1]));
    if (!m_Renderer.isValid()) {
        std::fprintf(stderr, "render_icon: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString m_strOutput = QString::fromLocal8Bit(argv[2]);
    const QString m_strName = QString::fromLocal8Bit(argv[3]);
    for (int m_intArg = 4; m_intArg < argc; ++m_intArg) {
        bool m_IsNumber = false;
        const int m_intSize = QString::fromLatin1(argv[m_intArg]).toInt(&m_IsNumber);
        if (!m_IsNumber || m_intSize <= 0 || m_intSize > 1024) {
            std::fprintf(stderr, "render_icon: bad size %s\n", argv[m_intArg]);
            return 2;
        }
        QImage m_Image(m_intSize, m_intSize, QImage::Format_ARGB32_Premultiplied);
        m_Image.fill(Qt::transparent);
        QPainter m_Painter(&m_Image);
        m_Painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        m_Renderer.render(&m_Painter);
        m_Painter.end();
        const QString m_strFolder = QStringLiteral("%1/%2x%2/apps").arg(m_strOutput).arg(m_intSize);
        const QString m_strFile = m_strFolder + u'/' + m_strName + QStringLiteral(".png");
        if (!QDir().mkpath(m_strFolder) ||
            !m_Image.convertToFormat(QImage::Format_ARGB32).save(m_strFile, "PNG")) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(m_strFile));
            return 1;
        }
    }
    return 0;
}
