#include "BookTags.h"

#include <qpdf/QPDFNumberTreeObjectHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

namespace velmora::pdf {

namespace {

bool IsName(QPDFObjectHandle object, const std::string& name) {
    return object.isName() && object.getName() == name;
}

// The keys of `from` that `into` lacks, copied with `copy`.
template <typename Copy>
void MergeMissing(QPDFObjectHandle into, QPDFObjectHandle from, Copy copy) {
    if (!from.isDictionary())
        return;
    for (auto& [key, value] : from.ditems())
        if (!into.hasKey(key))
            into.replaceKey(key, copy(value));
}

// Moves the key an object is found by in the parent tree (/StructParents of a page, /StructParent of an
// annotation) on by `offset`.
void MoveKey(QPDFObjectHandle object, const std::string& key, long long offset) {
    if (QPDFObjectHandle value = object.getKey(key); value.isInteger())
        object.replaceKey(key, QPDFObjectHandle::newInteger(value.getIntValue() + offset));
}

} // namespace

// Indirect objects are copied once per part, so an element reached again (from the parent tree, say)
// is the same copy, and a page or link copied with the pages already is that copy. Direct ones are
// copied item by item.
QPDFObjectHandle BookTags::CopyForeign(QPDF& part, QPDFObjectHandle object) {
    if (object.isIndirect())
        return m_book.copyForeignObject(object);
    if (object.isArray()) {
        QPDFObjectHandle copy = QPDFObjectHandle::newArray();
        for (QPDFObjectHandle& item : object.aitems())
            copy.appendItem(CopyForeign(part, item));
        return copy;
    }
    if (object.isDictionary()) {
        QPDFObjectHandle copy = QPDFObjectHandle::newDictionary();
        for (auto& [key, value] : object.ditems())
            copy.replaceKey(key, CopyForeign(part, value));
        return copy;
    }
    return object.isStream() ? QPDFObjectHandle::newNull() : QPDFObjectHandle::parse(object.unparse());
}

void BookTags::AddPart(QPDF& part, const std::vector<QPDFObjectHandle>& pages) {
    QPDFObjectHandle root = part.getRoot().getKey("/StructTreeRoot");
    if (!root.isDictionary())
        return;
    QPDFObjectHandle kids = root.getKey("/K");
    if (kids.isDictionary())
        kids = QPDFObjectHandle::newArray({kids});
    if (!kids.isArray() || kids.getArrayNItems() == 0)
        return;
    // The part's own Document element becomes its Part; other top-level elements get a Part around them.
    QPDFObjectHandle element;
    if (kids.getArrayNItems() == 1 && kids.getArrayItem(0).isDictionary() &&
        IsName(kids.getArrayItem(0).getKey("/S"), "/Document")) {
        element = kids.getArrayItem(0);
        element.replaceKey("/S", QPDFObjectHandle::newName("/Part"));
    } else {
        element = part.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /StructElem /S /Part >>"));
        element.replaceKey("/K", kids);
        for (QPDFObjectHandle& kid : kids.aitems())
            if (kid.isDictionary())
                kid.replaceKey("/P", element);
    }
    // Its parent is the book's, not the part's root, which is not carried over.
    element.removeKey("/P");
    if (!element.isIndirect())
        element = part.makeIndirectObject(element);
    m_elements.push_back(CopyForeign(part, element));

    const long long offset = m_nextKey;
    long long next = 0;
    if (QPDFObjectHandle tree = root.getKey("/ParentTree"); tree.isDictionary()) {
        for (auto& [key, value] : QPDFNumberTreeObjectHelper(tree, part)) {
            m_parents[key + offset] = CopyForeign(part, value);
            next = std::max(next, key + 1);
        }
    }
    if (QPDFObjectHandle stated = root.getKey("/ParentTreeNextKey"); stated.isInteger())
        next = std::max(next, stated.getIntValue());
    for (QPDFObjectHandle page : pages) {
        MoveKey(page, "/StructParents", offset);
        for (QPDFAnnotationObjectHelper& annotation : QPDFPageObjectHelper(page).getAnnotations())
            MoveKey(annotation.getObjectHandle(), "/StructParent", offset);
    }
    m_nextKey = offset + next;

    const auto copy = [&](QPDFObjectHandle value) { return CopyForeign(part, value); };
    MergeMissing(m_roleMap, root.getKey("/RoleMap"), copy);
    MergeMissing(m_classMap, root.getKey("/ClassMap"), copy);
    if (m_language.isNull() && part.getRoot().getKey("/Lang").isString())
        m_language = copy(part.getRoot().getKey("/Lang"));
    m_tagged = true;
}

// Each drawn page's content is one paragraph of the element, so a reader reads the page in order.
void BookTags::AddDrawnPages(const std::vector<QPDFObjectHandle>& pages, const std::string& kind, bool first) {
    if (!m_tagged || pages.empty())
        return;
    QPDFObjectHandle element =
        m_book.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /StructElem /S " + kind + " /K [] >>"));
    for (QPDFObjectHandle page : pages) {
        QPDFObjectHandle paragraph =
            m_book.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /StructElem /S /P /K 0 >>"));
        paragraph.replaceKey("/P", element);
        paragraph.replaceKey("/Pg", page);
        element.getKey("/K").appendItem(paragraph);
        QPDFPageObjectHelper helper(page);
        helper.addPageContents(m_book.newStream("/P << /MCID 0 >> BDC\n"), true);
        helper.addPageContents(m_book.newStream("\nEMC\n"), false);
        page.replaceKey("/StructParents", QPDFObjectHandle::newInteger(m_nextKey));
        m_parents[m_nextKey++] = QPDFObjectHandle::newArray({paragraph});
    }
    m_elements.insert(first ? m_elements.begin() : m_elements.end(), element);
}

void BookTags::Finish() {
    if (!m_tagged)
        return;
    QPDFObjectHandle root = m_book.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /StructTreeRoot >>"));
    QPDFObjectHandle document =
        m_book.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /StructElem /S /Document >>"));
    document.replaceKey("/P", root);
    document.replaceKey("/K", QPDFObjectHandle::newArray(m_elements));
    for (QPDFObjectHandle& element : m_elements)
        element.replaceKey("/P", document);
    root.replaceKey("/K", document);
    QPDFNumberTreeObjectHelper parents = QPDFNumberTreeObjectHelper::newEmpty(m_book);
    for (auto& [key, value] : m_parents)
        parents.insert(key, value);
    root.replaceKey("/ParentTree", parents.getObjectHandle());
    root.replaceKey("/ParentTreeNextKey", QPDFObjectHandle::newInteger(m_nextKey));
    if (m_roleMap.getKeys().size() > 0)
        root.replaceKey("/RoleMap", m_roleMap);
    if (m_classMap.getKeys().size() > 0)
        root.replaceKey("/ClassMap", m_classMap);
    QPDFObjectHandle catalog = m_book.getRoot();
    catalog.replaceKey("/StructTreeRoot", root);
    catalog.replaceKey("/MarkInfo", QPDFObjectHandle::parse("<< /Marked true >>"));
    if (!m_language.isNull())
        catalog.replaceKey("/Lang", m_language);
}

} // namespace velmora::pdf
