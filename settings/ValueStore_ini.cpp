#include "ValueStore.h"

#include <QSettings>
#include <QVariant>

namespace velmora {

namespace {

class IniStore final : public ValueStore {
public:
    explicit IniStore(const QString& path) : m_settings(path, QSettings::IniFormat) {}

    // A file that cannot be read counts as a store that cannot be opened.
    bool IsOpen() const override { return m_settings.status() != QSettings::AccessError; }

    Read ReadText(const QString& name, QString& text) const override {
        if (m_settings.status() == QSettings::FormatError)
            return Read::Failed;
        if (!m_settings.contains(name))
            return Read::Missing;
        const QVariant value = m_settings.value(name);
        if (value.typeId() == QMetaType::QByteArray && value.toByteArray().isEmpty()) {
            text.clear();
            return Read::Text;
        }
        if (value.typeId() != QMetaType::QString)
            return Read::WrongType;
        text = value.toString();
        if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0)
            text.truncate(nul);
        return Read::Text;
    }

    // Written through at once, so a failure belongs to the value that caused it.
    bool WriteText(const QString& name, const QString& text) override {
        m_settings.setValue(name, text);
        m_settings.sync();
        return m_settings.status() != QSettings::AccessError;
    }

private:
    QSettings m_settings;
};

} // namespace

std::unique_ptr<ValueStore> OpenIniStore(const QString& path) {
    return std::make_unique<IniStore>(path);
}

} // namespace velmora
