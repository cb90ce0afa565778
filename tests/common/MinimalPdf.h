#pragma once

#include <QByteArray>
#include <QList>

namespace velmora::test {

// A small PDF whose objects are numbered from 1 in the order given, the first being the catalog, with
// its cross-reference table; `comment` goes on a line of its own after the header.
inline QByteArray MinimalPdf(const QList<QByteArray>& objects, const QByteArray& comment = {}) {
    QByteArray pdf = "%PDF-1.4\n";
    if (!comment.isEmpty())
        pdf += "% " + comment + "\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

// One empty page of 200 by 200 points.
inline QByteArray OnePagePdf(const QByteArray& comment = {}) {
    return MinimalPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>"},
                      comment);
}

} // namespace velmora::test
