#include "DocumentInfo.h"

#include <qpdf/QPDF.hh>

namespace velmora::pdf {

namespace {

QPDFObjectHandle Text(const QString& text) {
    return QPDFObjectHandle::newUnicodeString(text.toStdString());
}

} // namespace

QString PdfDate(const QDateTime& moment) {
    const int offsetMinutes = moment.offsetFromUtc() / 60;
    const int magnitude = qAbs(offsetMinutes);
    return QStringLiteral("D:%1%2%3'%4'")
        .arg(moment.toString(QStringLiteral("yyyyMMddHHmmss")),
             offsetMinutes < 0 ? QStringLiteral("-") : QStringLiteral("+"))
        .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
        .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

void SetDocumentInfo(QPDF& pdf, const DocumentInfo& info) {
    QPDFObjectHandle trailer = pdf.getTrailer();
    QPDFObjectHandle dictionary = trailer.getKey("/Info");
    if (!dictionary.isDictionary()) {
        dictionary = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        trailer.replaceKey("/Info", dictionary);
    }
    // Chromium stands in the address for a page without a title; the file then says it has none.
    if (info.title.isEmpty())
        dictionary.removeKey("/Title");
    else
        dictionary.replaceKey("/Title", Text(info.title));
    dictionary.replaceKey("/Subject", Text(info.subject));
    dictionary.replaceKey("/Creator", Text(kCreatorName));
    const QPDFObjectHandle date = QPDFObjectHandle::newString(PdfDate(info.made).toStdString());
    dictionary.replaceKey("/CreationDate", date);
    dictionary.replaceKey("/ModDate", date);
}

} // namespace velmora::pdf
