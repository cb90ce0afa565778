#include "SettingsStore.h"

#include "ValueStore.h"
#include "run/ConvertCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <utility>

namespace velmora {

namespace {

QString ErrorText(const char* pattern, const QString& valueName) {
    return QString::fromLatin1(pattern).arg(valueName);
}

// Reads the text of `name` into `text`, `fallback` when the value is missing. Returns the error text,
// empty on success.
QString ReadText(const ValueStore& store, const QString& name, const QString& fallback, QString& text) {
    switch (store.ReadText(name, text)) {
    case ValueStore::Read::Missing:
        text = fallback;
        return {};
    case ValueStore::Read::Text:
        return {};
    case ValueStore::Read::WrongType:
        return ErrorText("Invalid data type for '%1'", name);
    case ValueStore::Read::Failed:
        break;
    }
    return ErrorText("Failed to get data for '%1'", name);
}

// The preferences: value name, default text, and the texts allowed (none listed: any text).
struct PreferenceRule {
    Preference preference;
    QString name;
    QString fallback;
    QStringList allowed;
};

QStringList ConversionsAtOnceTexts() {
    QStringList texts{kAutomaticText};
    for (int count : kConversionsAtOnceChoices)
        texts << QString::number(count);
    return texts;
}

const PreferenceRule& RuleOf(Preference preference) {
    static const PreferenceRule rules[] = {
        {Preference::ConversionsAtOnce, kConversionsAtOnceValue, kAutomaticText, ConversionsAtOnceTexts()},
        {Preference::RenderingEngine,
         kRenderingEngineValue,
         kClassicEngineText,
         {kClassicEngineText, kModernEngineText}},
        {Preference::AddFilesFolder, kAddFilesFolderValue, QString(), {}},
        {Preference::PagePaper, QStringLiteral("PagePaper"), QString(), {}},
        {Preference::PageOrientation, QStringLiteral("PageOrientation"), QString(), {}},
        {Preference::PageCssSize, QStringLiteral("PageCssSize"), QString(), {}},
        {Preference::PageMargins, QStringLiteral("PageMargins"), QString(), {}},
        {Preference::PageScale, QStringLiteral("PageScale"), QString(), {}},
        {Preference::PageBackgrounds, QStringLiteral("PageBackgrounds"), QString(), {}},
        {Preference::PageMedia, QStringLiteral("PageMedia"), QString(), {}},
        {Preference::PageHeader, QStringLiteral("PageHeader"), QString(), {}},
        {Preference::PageFooter, QStringLiteral("PageFooter"), QString(), {}},
        {Preference::PageTextSize, QStringLiteral("PageTextSize"), QString(), {}},
        {Preference::PageNumbering, QStringLiteral("PageNumbering"), QString(), {}},
        {Preference::PageScroll, QStringLiteral("PageScroll"), QString(), {}},
        {Preference::PageOpenDetails, QStringLiteral("PageOpenDetails"), QString(), {}},
        {Preference::PageWaitFor, QStringLiteral("PageWaitFor"), QString(), {}},
        {Preference::PageWaitUntil, QStringLiteral("PageWaitUntil"), QString(), {}},
        {Preference::PageDelay, QStringLiteral("PageDelay"), QString(), {}},
        {Preference::PageStyle, QStringLiteral("PageStyle"), QString(), {}},
        {Preference::PageHide, QStringLiteral("PageHide"), QString(), {}},
        {Preference::LocalRoot, kLocalRootValue, kAutomaticText, {}},
        {Preference::ResultColumn, kResultColumnValue, kHiddenText, {kShownText, kHiddenText}},
        {Preference::CombineIntoOne, kCombineIntoOneValue, kNoText, {kYesText, kNoText}},
        {Preference::CombinedName, kCombinedNameValue, QString(), {}},
        {Preference::KeepSeparatePdfs, kKeepSeparatePdfsValue, kYesText, {kYesText, kNoText}},
        {Preference::ContentsPage, kContentsPageValue, kNoText, {kYesText, kNoText}},
        {Preference::NamePdfsBy, kNamePdfsByValue, kByAddressText, {kByAddressText, kByTitleText}},
        {Preference::SignInCookiesFile, QStringLiteral("SignInCookiesFile"), QString(), {}},
        {Preference::SignInHeaders, QStringLiteral("SignInHeaders"), QString(), {}},
        {Preference::SignInUser, QStringLiteral("SignInUser"), QString(), {}},
    };
    return *std::find_if(std::cbegin(rules), std::cend(rules),
                         [preference](const PreferenceRule& rule) { return rule.preference == preference; });
}

// A page setup value: parsed from its stored text, left as it was when missing or invalid.
template <typename T, typename Parse>
void ReadPagePart(const SettingsStore& store, Preference preference, T& part, Parse parse) {
    if (const auto parsed = parse(store.PreferenceText(preference)))
        part = *parsed;
}

} // namespace

// Where wkhtmltopdf is missing (a Windows install without it, say) and a browser is there, the first
// run converts rather than failing.
RenderingEngine DefaultEngine(bool converterFound, bool browserFound) {
    return !converterFound && browserFound ? RenderingEngine::Modern : RenderingEngine::Classic;
}

int AutomaticConverterCount() {
    return qBound(1, QThread::idealThreadCount() + 1, 8);
}

int ConverterCountFor(int conversionsAtOnce) {
    return conversionsAtOnce == kAutomaticConversions ? AutomaticConverterCount() : conversionsAtOnce;
}

QString DefaultTargetFolder() {
    return PlatformDefaultTargetFolder();
}

QString CompletedAction(const QString& text) {
    if (text.isEmpty())
        return text;
    const QStringList actions = CompletionActions();
    const auto match = std::find_if(actions.cbegin(), actions.cend(), [&text](const QString& action) {
        return action.startsWith(text, Qt::CaseInsensitive);
    });
    return match != actions.cend() ? *match : text;
}

SettingsStore SettingsStore::ForCurrentUser() {
    return AtNativeLocation(CurrentUserStoreLocation());
}

SettingsStore SettingsStore::AtNativeLocation(const QString& location) {
    return SettingsStore(location, true);
}

SettingsStore SettingsStore::AtIniFile(const QString& path) {
    return SettingsStore(path, false);
}

std::unique_ptr<ValueStore> SettingsStore::Open() const {
    return m_native ? OpenNativeStore(m_location) : OpenIniStore(m_location);
}

QString SettingsStore::LoadSettings(SettingsHost& host) const {
    const std::unique_ptr<const ValueStore> store = Open();
    // A store that cannot be opened leaves the controls at their defaults, silently.
    if (!store->IsOpen())
        return {};

    QString text;
    if (QString error = ReadText(*store, kTargetFolderValue, DefaultTargetFolder(), text); !error.isEmpty())
        return error;
    host.SetTargetFolderText(text);

    if (QString error = ReadText(*store, kCompleteActionValue, kOpenTargetFolder, text); !error.isEmpty())
        return error;
    host.SetCompletionActionText(text);
    if (!CompletionActions().contains(host.CompletionActionText()))
        host.SetCompletionActionText(kOpenTargetFolder);
    return {};
}

QString SettingsStore::SaveSettings(const SettingsHost& host) const {
    const std::unique_ptr<ValueStore> store = Open();
    if (!store->IsOpen())
        return {};
    // A failed value stops the save: the one after it is not written.
    for (const auto& [name, text] : {std::pair{kTargetFolderValue, host.TargetFolderText()},
                                     std::pair{kCompleteActionValue, host.CompletionActionText()}}) {
        if (!store->WriteText(name, text))
            return ErrorText("Failed to set data for '%1'", name);
    }
    return {};
}

std::optional<QString> SettingsStore::StoredPreferenceText(Preference preference) const {
    const PreferenceRule& rule = RuleOf(preference);
    const std::unique_ptr<const ValueStore> store = Open();
    QString text;
    if (!store->IsOpen() || store->ReadText(rule.name, text) != ValueStore::Read::Text ||
        (!rule.allowed.isEmpty() && !rule.allowed.contains(text)))
        return std::nullopt;
    return text;
}

QString SettingsStore::PreferenceText(Preference preference) const {
    return StoredPreferenceText(preference).value_or(RuleOf(preference).fallback);
}

void SettingsStore::SetPreferenceText(Preference preference, const QString& text) const {
    const std::unique_ptr<ValueStore> store = Open();
    if (store->IsOpen())
        store->WriteText(RuleOf(preference).name, text);
}

int SettingsStore::ConversionsAtOnce() const {
    const QString text = PreferenceText(Preference::ConversionsAtOnce);
    return text == kAutomaticText ? kAutomaticConversions : text.toInt();
}

void SettingsStore::SetConversionsAtOnce(int conversionsAtOnce) const {
    SetPreferenceText(Preference::ConversionsAtOnce, conversionsAtOnce == kAutomaticConversions
                                                         ? kAutomaticText
                                                         : QString::number(conversionsAtOnce));
}

RenderingEngine SettingsStore::Engine(RenderingEngine unstored) const {
    const std::optional<QString> text = StoredPreferenceText(Preference::RenderingEngine);
    if (!text)
        return unstored;
    return *text == kModernEngineText ? RenderingEngine::Modern : RenderingEngine::Classic;
}

void SettingsStore::SetEngine(RenderingEngine engine) const {
    SetPreferenceText(Preference::RenderingEngine,
                      engine == RenderingEngine::Modern ? kModernEngineText : kClassicEngineText);
}

QString SettingsStore::AddFilesFolder() const {
    return PreferenceText(Preference::AddFilesFolder);
}

void SettingsStore::SetAddFilesFolder(const QString& folder) const {
    SetPreferenceText(Preference::AddFilesFolder, folder);
}

PageSetup SettingsStore::Page() const {
    using namespace page_text;
    PageSetup page;
    PageSetup paper;
    if (ParsePaper(PreferenceText(Preference::PagePaper), paper)) {
        page.paper = paper.paper;
        page.customSizeMm = paper.customSizeMm;
    }
    ReadPagePart(*this, Preference::PageOrientation, page.orientation, ParseOrientation);
    ReadPagePart(*this, Preference::PageCssSize, page.cssPageSize, ParseOnOff);
    std::optional<QMarginsF> margins;
    if (ParseMargins(PreferenceText(Preference::PageMargins), margins))
        page.marginsMm = margins;
    ReadPagePart(*this, Preference::PageScale, page.scalePercent, ParseScale);
    ReadPagePart(*this, Preference::PageBackgrounds, page.backgrounds, ParseOnOff);
    ReadPagePart(*this, Preference::PageMedia, page.media, ParseMedia);
    ReadPagePart(*this, Preference::PageHeader, page.header, ParseLine);
    ReadPagePart(*this, Preference::PageFooter, page.footer, ParseLine);
    ReadPagePart(*this, Preference::PageTextSize, page.textSizePt, ParseTextSize);
    ReadPagePart(*this, Preference::PageNumbering, page.numbering, ParseNumbering);
    ReadPagePart(*this, Preference::PageScroll, page.loading.scroll, ParseOnOff);
    ReadPagePart(*this, Preference::PageOpenDetails, page.loading.openDetails, ParseOnOff);
    ReadPagePart(*this, Preference::PageDelay, page.loading.delayMs, ParseDelay);
    page.loading.waitFor = PreferenceText(Preference::PageWaitFor).trimmed();
    page.loading.waitUntil = PreferenceText(Preference::PageWaitUntil).trimmed();
    page.loading.hide = PreferenceText(Preference::PageHide).trimmed();
    if (const QString style = PreferenceText(Preference::PageStyle); QDir::isAbsolutePath(style))
        page.loading.styleFile = style;
    // Margins that leave no room on the stored paper read as the default ones.
    if (!page.Problem().isEmpty())
        page.marginsMm.reset();
    return page;
}

void SettingsStore::SetPage(const PageSetup& page) const {
    using namespace page_text;
    SetPreferenceText(Preference::PagePaper, PaperText(page));
    SetPreferenceText(Preference::PageOrientation, OrientationText(page.orientation));
    SetPreferenceText(Preference::PageCssSize, OnOffText(page.cssPageSize));
    SetPreferenceText(Preference::PageMargins, MarginsText(page.marginsMm));
    SetPreferenceText(Preference::PageScale, QString::number(page.scalePercent));
    SetPreferenceText(Preference::PageBackgrounds, OnOffText(page.backgrounds));
    SetPreferenceText(Preference::PageMedia, MediaText(page.media));
    SetPreferenceText(Preference::PageHeader, LineText(page.header));
    SetPreferenceText(Preference::PageFooter, LineText(page.footer));
    SetPreferenceText(Preference::PageTextSize, QString::number(page.textSizePt));
    SetPreferenceText(Preference::PageNumbering, NumberingText(page.numbering));
    SetPreferenceText(Preference::PageScroll, OnOffText(page.loading.scroll));
    SetPreferenceText(Preference::PageOpenDetails, OnOffText(page.loading.openDetails));
    SetPreferenceText(Preference::PageWaitFor, page.loading.waitFor);
    SetPreferenceText(Preference::PageWaitUntil, page.loading.waitUntil);
    SetPreferenceText(Preference::PageDelay, QString::number(page.loading.delayMs));
    SetPreferenceText(Preference::PageStyle, page.loading.styleFile);
    SetPreferenceText(Preference::PageHide, page.loading.hide);
}

QString SettingsStore::LocalRoot() const {
    const QString text = PreferenceText(Preference::LocalRoot);
    return QDir::isAbsolutePath(text) && QFileInfo(text).isDir() ? text : QString();
}

void SettingsStore::SetLocalRoot(const QString& folder) const {
    SetPreferenceText(Preference::LocalRoot, folder.isEmpty() ? kAutomaticText : folder);
}

bool SettingsStore::ResultColumnShown() const {
    return PreferenceText(Preference::ResultColumn) == kShownText;
}

void SettingsStore::SetResultColumnShown(bool shown) const {
    SetPreferenceText(Preference::ResultColumn, shown ? kShownText : kHiddenText);
}

CombineChoice SettingsStore::Combine() const {
    return {PreferenceText(Preference::CombineIntoOne) == kYesText, PreferenceText(Preference::CombinedName),
            PreferenceText(Preference::KeepSeparatePdfs) == kYesText, QString(),
            PreferenceText(Preference::ContentsPage) == kYesText};
}

void SettingsStore::SetCombine(const CombineChoice& choice) const {
    SetPreferenceText(Preference::CombineIntoOne, choice.enabled ? kYesText : kNoText);
    SetPreferenceText(Preference::CombinedName, choice.name);
    SetPreferenceText(Preference::KeepSeparatePdfs, choice.keepSeparate ? kYesText : kNoText);
    SetPreferenceText(Preference::ContentsPage, choice.contents ? kYesText : kNoText);
}

NameBy SettingsStore::NamePdfsBy() const {
    return PreferenceText(Preference::NamePdfsBy) == kByTitleText ? NameBy::Title : NameBy::Address;
}

void SettingsStore::SetNamePdfsBy(NameBy nameBy) const {
    SetPreferenceText(Preference::NamePdfsBy, nameBy == NameBy::Title ? kByTitleText : kByAddressText);
}

} // namespace velmora
