#pragma once

#include <qpdf/QPDF.hh>

#include <map>
#include <string>
#include <vector>

namespace velmora::pdf {

// Carries the parts' tags (their structure trees) into a book: one Document element holds each tagged
// part's tree as a Part element, in the parts' order, and the keys by which pages and links find their
// elements are renumbered so that each part's stay its own. A book none of whose parts is tagged stays
// untagged.
class BookTags {
public:
    explicit BookTags(QPDF& book) : m_book(book) {}

    // Takes over the tree of `part`, whose pages are already copied into the book as `pages`. The part's
    // own document is changed in memory only.
    void AddPart(QPDF& part, const std::vector<QPDFObjectHandle>& pages);
    // Adds `pages` of the book, drawn by the program, as one element of kind `kind` ("/TOC", say) holding
    // their content, which must be marked with MCID 0 on each page; before the parts when `first`.
    void AddDrawnPages(const std::vector<QPDFObjectHandle>& pages, const std::string& kind, bool first);
    // Gives the book its structure tree; nothing when no part was tagged.
    void Finish();

private:
    QPDFObjectHandle CopyForeign(QPDF& part, QPDFObjectHandle object);

    QPDF& m_book;
    std::vector<QPDFObjectHandle> m_elements;        // under the Document element, in order
    std::map<long long, QPDFObjectHandle> m_parents; // the parent tree, by renumbered key
    long long m_nextKey = 0;
    QPDFObjectHandle m_roleMap = QPDFObjectHandle::newDictionary();
    QPDFObjectHandle m_classMap = QPDFObjectHandle::newDictionary();
    QPDFObjectHandle m_language = QPDFObjectHandle::newNull();
    bool m_tagged = false;
};

} // namespace velmora::pdf
