#pragma once

#include "render/RenderBackend.h"

#include <QStringList>

#include <map>
#include <memory>
#include <vector>

class QProcess;

namespace velmora {

struct WkhtmltopdfReport;

// Why no run can start with this engine. %1: every place the converter was looked for.
inline const QString kConverterMissingMessage =
    QStringLiteral("The converter could not be found, so nothing was converted. Looked for it in: %1.");
// %1: the converter's path; %2: why it cannot be started.
inline const QString kConverterNotStartedMessage =
    QStringLiteral("The converter \"%1\" cannot be started (%2), so nothing was converted.");

// The converter's argument list for one row: local documents may read their own folder and below,
// web pages no local file; undeclared UTF-8 text is read as UTF-8.
QStringList WkhtmltopdfArguments(const RenderRequest& request);

// The converter's cookie jar (--cookie-jar) for the request's cookies: each bound to its host, where
// --cookie would send it to every server the page loads from.
QByteArray WkhtmltopdfCookieJar(const SignIn& signIn);

// The classic engine: one wkhtmltopdf process per row.
class WkhtmltopdfBackend final : public RenderBackend {
    Q_OBJECT
public:
    // `program`: the converter's path; `searched`: where it was looked for, when it was not found.
    explicit WkhtmltopdfBackend(QString program, QStringList searched = {}, QObject* parent = nullptr);
    ~WkhtmltopdfBackend() override;

    QFuture<QString> StartProblem() override;
    QString PageSetupProblem(const PageSetup& page) const override;
    QString SignInProblem(const SignIn& signIn) const override;
    void Begin(int job, const RenderRequest& request) override;
    QString Abort(int job) override;

private:
    struct Conversion;
    void Start(int job);
    void Launch(int job, const QStringList& arguments);
    void Evaluate(int job, int exitCode, bool crashed);
    void Conclude(int job, int exitCode, bool crashed, const WkhtmltopdfReport& report);
    void End(int job, RowState state, const QString& reason);

    QString m_program;
    QStringList m_searched;
    std::map<int, std::unique_ptr<Conversion>> m_conversions;
    std::vector<std::unique_ptr<Conversion>> m_ending; // aborted, their converters not yet ended
    quint64 m_nextSerial = 1;
    std::unique_ptr<QProcess> m_probe; // the converter asked for its version
};

// The engine for a run: wkhtmltopdf, located beside the program or on PATH.
std::unique_ptr<RenderBackend> MakeClassicEngine(const QString& programFolder);

} // namespace velmora
