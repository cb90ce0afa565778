#include "RowFinish.h"

#include "BookLinks.h"
#include "DocumentInfo.h"
#include "PageStamp.h"
#include "PdfDocument.h"

#include <QDir>

#include <exception>

namespace velmora::pdf {

QString FinishRowPdf(const QString& from, const QString& to, const RenderRequest& request,
                     const QString& pageTitle, const QDateTime& now) {
    // Local files are named as the platform writes them; addresses as they were given.
    const QString source =
        request.localRoot.isEmpty() ? request.source : QDir::toNativeSeparators(request.source);
    try {
        LoadedPdf loaded(from);
        if (request.page.HasPageText()) {
            PageFacts facts{1, 1, pageTitle, source, now.date()};
            if (const QString problem = StampPages(loaded, request.page, facts); !problem.isEmpty())
                return QStringLiteral("The header and footer could not be added to the PDF (%1).")
                    .arg(problem);
        }
        KeepOwnLinksInside(loaded.Document(), request.source);
        SetDocumentInfo(loaded.Document(), {pageTitle, source, now});
        loaded.Write(to);
    } catch (const std::exception& error) {
        return QStringLiteral("The PDF could not be finished (%1).")
            .arg(QString::fromUtf8(error.what()).simplified());
    }
    return {};
}

PdfFinisher RowFinisher() {
    return
        [](const RenderRequest& request, const QString& pageTitle, const QString& from, const QString& to) {
            return FinishRowPdf(from, to, request, pageTitle, QDateTime::currentDateTime());
        };
}

} // namespace velmora::pdf
