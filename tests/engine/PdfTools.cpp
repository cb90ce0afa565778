#include "PdfTools.h"

#include <QProcess>

namespace velmora::test {

namespace {

constexpr int kToolWaitMs = 60 * 1000;

QByteArray RunTool(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(kToolWaitMs) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        return {};
    return tool.readAllStandardOutput();
}

} // namespace

QString PdfText(const QString& pdf) {
    return QString::fromUtf8(RunTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")})).simplified();
}

QStringList PdfImageSizes(const QString& pdf) {
    QStringList sizes;
    const QStringList lines =
        QString::fromUtf8(RunTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})).split('\n');
    for (const QString& line : lines.mid(2)) { // after the heading and its rule
        const QStringList fields = line.simplified().split(' ');
        if (fields.size() > 4)
            sizes.append(fields[3] + QStringLiteral(" x ") + fields[4]);
    }
    return sizes;
}

} // namespace velmora::test
