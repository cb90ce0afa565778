#include "BookLinks.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

namespace velmora::pdf {

namespace {

// What tells two addresses of one document apart from others: a file's clean path, or a web address
// without its fragment, with its default port left out.
QString DocumentIdentity(const QUrl& url) {
    if (url.isLocalFile()) {
        const QString path = QDir::cleanPath(url.toLocalFile());
#ifdef Q_OS_WIN
        return path.toLower();
#else
        return path;
#endif
    }
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return {};
    QUrl document = url.adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments);
    if ((scheme == QLatin1String("http") && document.port() == 80) ||
        (scheme == QLatin1String("https") && document.port() == 443))
        document.setPort(-1);
    if (document.path().isEmpty())
        document.setPath(QStringLiteral("/"));
    return document.toString(QUrl::FullyEncoded);
}

QUrl SourceUrl(const QString& source) {
    const QUrl url(source);
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return url;
    return QUrl::fromLocalFile(QFileInfo(source).absoluteFilePath());
}

bool IsName(QPDFObjectHandle destination) {
    return destination.isName() || destination.isString();
}

std::string NameOf(QPDFObjectHandle destination) {
    return destination.isName() ? destination.getName().substr(1) : destination.getUTF8Value();
}

// The explicit destination a destination object (array, or dictionary holding one in /D) gives.
QPDFObjectHandle ExplicitOf(QPDFObjectHandle value) {
    if (value.isDictionary())
        value = value.getKey("/D");
    return value.isArray() ? value : QPDFObjectHandle::newNull();
}

} // namespace

QPDFObjectHandle DestinationIn(QPDFObjectHandle destination, const PageInPdf& toPage) {
    if (!destination.isArray() || destination.getArrayNItems() < 1)
        return QPDFObjectHandle::newNull();
    QPDFObjectHandle page = toPage(destination.getArrayItem(0));
    if (page.isNull())
        return QPDFObjectHandle::newNull();
    QPDFObjectHandle copied = QPDFObjectHandle::newArray();
    copied.appendItem(page);
    // The view (/XYZ left top zoom, /Fit, ...) holds names and numbers only.
    for (int index = 1; index < destination.getArrayNItems(); ++index)
        copied.appendItem(QPDFObjectHandle::parse(destination.getArrayItem(index).unparse()));
    return copied;
}

namespace {

// Every named destination of `document` (its /Dests dictionary and its name tree), made explicit.
std::map<std::string, QPDFObjectHandle> NamedPlaces(QPDF& document, const PageInPdf& toPage) {
    std::map<std::string, QPDFObjectHandle> places;
    const auto take = [&](const std::string& name, QPDFObjectHandle value) {
        if (QPDFObjectHandle place = DestinationIn(ExplicitOf(value), toPage); !place.isNull())
            places.emplace(name, place);
    };
    QPDFObjectHandle root = document.getRoot();
    if (QPDFObjectHandle names = root.getKey("/Names"); names.isDictionary()) {
        if (QPDFObjectHandle tree = names.getKey("/Dests"); tree.isDictionary())
            for (const auto& [name, value] : QPDFNameTreeObjectHelper(tree, document))
                take(name, value);
    }
    if (QPDFObjectHandle dests = root.getKey("/Dests"); dests.isDictionary())
        for (const auto& [key, value] : dests.ditems())
            take(key.substr(1), value);
    return places;
}

// A part as its links are resolved: where its pages are, and its places.
struct Part {
    const LinkedPart* linked;
    PageInPdf toPage;
    std::map<std::string, QPDFObjectHandle> places;
    QPDFObjectHandle start;
};

// A copy of its own for each link that leads there.
QPDFObjectHandle Fresh(QPDFObjectHandle destination) {
    return destination.shallowCopy();
}

// The place `destination` (explicit or named) leads to in `part`, else the part's start.
QPDFObjectHandle PlaceIn(const Part& part, QPDFObjectHandle destination) {
    QPDFObjectHandle place;
    if (IsName(destination)) {
        const auto named = part.places.find(NameOf(destination));
        place = named == part.places.end() ? QPDFObjectHandle::newNull() : named->second;
    } else {
        place = DestinationIn(ExplicitOf(destination), part.toPage);
    }
    return Fresh(place.isNull() ? part.start : place);
}

// Makes `link` (the copy of `own` in the PDF) lead inside the PDF where it leads to one of the parts.
void KeepInside(const Part& part, QPDFObjectHandle own, QPDFObjectHandle link,
                const std::map<QString, const Part*>& byDocument) {
    if (QPDFObjectHandle destination = own.getKey("/Dest"); !destination.isNull()) {
        link.replaceKey("/Dest", PlaceIn(part, destination));
        return;
    }
    QPDFObjectHandle action = own.getKey("/A");
    if (!action.isDictionary())
        return;
    QPDFObjectHandle kind = action.getKey("/S");
    if (kind.isName() && kind.getName() == "/GoTo") {
        QPDFObjectHandle copiedAction = link.getKey("/A");
        if (copiedAction.isDictionary())
            copiedAction.replaceKey("/D", PlaceIn(part, action.getKey("/D")));
        return;
    }
    QPDFObjectHandle address = action.getKey("/URI");
    if (!kind.isName() || kind.getName() != "/URI" || !address.isString())
        return;
    const QUrl url(QString::fromStdString(address.getUTF8Value()));
    const QString identity = DocumentIdentity(url);
    const auto target = byDocument.find(identity);
    if (identity.isEmpty() || target == byDocument.end())
        return;
    const QString fragment = url.fragment(QUrl::FullyDecoded);
    link.removeKey("/A");
    link.replaceKey("/Dest",
                    fragment.isEmpty()
                        ? Fresh(target->second->start)
                        : PlaceIn(*target->second, QPDFObjectHandle::newString(fragment.toStdString())));
}

} // namespace

void KeepLinksInside(const std::vector<LinkedPart>& linkedParts) {
    std::vector<Part> parts;
    std::map<QString, const Part*> byDocument;
    parts.reserve(linkedParts.size());
    for (const LinkedPart& linked : linkedParts) {
        if (linked.pages.empty() || linked.pages.size() != linked.ownPages.size() || !linked.document)
            continue;
        auto pages = std::make_shared<std::map<QPDFObjGen, QPDFObjectHandle>>();
        for (std::size_t index = 0; index < linked.pages.size(); ++index) {
            QPDFObjectHandle own = linked.ownPages[index];
            pages->emplace(own.getObjGen(), linked.pages[index]);
        }
        Part part{&linked,
                  [pages](QPDFObjectHandle page) {
                      const auto found = pages->find(page.getObjGen());
                      return found == pages->end() ? QPDFObjectHandle::newNull() : found->second;
                  },
                  {},
                  QPDFObjectHandle::parse("[null /XYZ null null null]")};
        part.start.setArrayItem(0, linked.pages.front());
        part.places = NamedPlaces(*linked.document, part.toPage);
        parts.push_back(std::move(part));
    }
    for (const Part& part : parts) {
        if (const QString identity = DocumentIdentity(SourceUrl(part.linked->source)); !identity.isEmpty())
            byDocument.emplace(identity, &part);
    }
    for (const Part& part : parts) {
        for (std::size_t index = 0; index < part.linked->pages.size(); ++index) {
            std::vector<QPDFAnnotationObjectHelper> own =
                QPDFPageObjectHelper(part.linked->ownPages[index]).getAnnotations("/Link");
            std::vector<QPDFAnnotationObjectHelper> links =
                QPDFPageObjectHelper(part.linked->pages[index]).getAnnotations("/Link");
            for (std::size_t link = 0; link < links.size() && link < own.size(); ++link)
                KeepInside(part, own[link].getObjectHandle(), links[link].getObjectHandle(), byDocument);
        }
    }
}

void KeepOwnLinksInside(QPDF& pdf, const QString& source) {
    LinkedPart own{source, &pdf, {}, {}};
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages())
        own.pages.push_back(page.getObjectHandle());
    own.ownPages = own.pages;
    KeepLinksInside({own});
}

} // namespace velmora::pdf
