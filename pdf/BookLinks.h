#pragma once

#include <QString>

#include <qpdf/QPDF.hh>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace velmora::pdf {

// One document of a PDF, as its links see it: a part of a book, or the whole of a row's own PDF.
struct LinkedPart {
    QString source;                         // the row's web address or local file
    QPDF* document = nullptr;               // the part's own document, read for its links and places
    std::vector<QPDFObjectHandle> ownPages; // its pages there
    std::vector<QPDFObjectHandle> pages;    // the same pages in the PDF whose links are kept inside
};

// A part's page in the PDF its links are kept inside, given the page in the part's own document; null
// for a page not taken over.
using PageInPdf = std::function<QPDFObjectHandle(QPDFObjectHandle)>;

// The explicit destination `destination` (an array whose first item is a page of the part's own
// document) on the page `toPage` gives; null when it leads nowhere taken over.
QPDFObjectHandle DestinationIn(QPDFObjectHandle destination, const PageInPdf& toPage);

// Keeps the parts' links inside the PDF where they lead to it: a destination becomes the place it names
// on the part's page in the PDF (the part's first page when it names none there); a web or file address
// of one of the parts (with or without a fragment) becomes a jump to that part, at the fragment's place
// where the part has it, else to its first page. Links elsewhere keep their address. A link is read
// from the part's own document, as a copied link may have lost the page it led to.
void KeepLinksInside(const std::vector<LinkedPart>& parts);

// KeepLinksInside for a row's own PDF, made from `source`: its links to itself stay in it.
void KeepOwnLinksInside(QPDF& pdf, const QString& source);

} // namespace velmora::pdf
