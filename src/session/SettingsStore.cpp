#include "session/SettingsStore.h"

#include <QMetaType>
#include <QVariant>

#include <limits>

namespace kelvan::session {
namespace {

// The registry keeps types; an INI file keeps only text, so there a number is text that reads
// wholly as a 32-bit integer.
constexpr bool StoreKeepsTypes =
#ifdef Q_OS_WIN
    true;
#else
    false;
#endif

std::optional<std::int32_t> integerFromText(const QString& text) {
    bool ok = false;
    const qlonglong number = text.toLongLong(&ok);
    if (!ok || text.trimmed() != text || number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(number);
}

}  // namespace

QString checkValueName(int number) {
    return QStringLiteral("Check%1").arg(number);
}

SettingsStore::SettingsStore()
    : settings_(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("NORVELLA"),
                 QStringLiteral("KELVAN")) {}

std::optional<QString> SettingsStore::readString(QAnyStringView name) const {
    const QVariant value = settings_.value(name);
    if (value.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return value.toString();
}

std::optional<std::int32_t> SettingsStore::readInt(QAnyStringView name) const {
    const QVariant value = settings_.value(name);
    switch (value.typeId()) {
        case QMetaType::Int:
            return value.toInt();
        case QMetaType::UInt:
            // REG_DWORD holds 32 bits; read them back as the signed value that was written.
            return static_cast<std::int32_t>(value.toUInt());
        case QMetaType::QString:
            if (StoreKeepsTypes) {
                return std::nullopt;
            }
            return integerFromText(value.toString());
        default:
            return std::nullopt;
    }
}

void SettingsStore::writeString(QAnyStringView name, const QString& value) {
    settings_.setValue(name, value);
}

void SettingsStore::writeInt(QAnyStringView name, std::int32_t value) {
    settings_.setValue(name, static_cast<int>(value));
}

QString SettingsStore::readOrWriteString(QAnyStringView name, const QString& fallback) {
    if (const std::optional<QString> stored = readString(name)) {
        return *stored;
    }
    writeString(name, fallback);
    return fallback;
}

std::int32_t SettingsStore::readOrWriteInt(QAnyStringView name, std::int32_t fallback) {
    if (const std::optional<std::int32_t> stored = readInt(name)) {
        return *stored;
    }
    writeInt(name, fallback);
    return fallback;
}

StoredSettings SettingsStore::readAll() const {
    StoredSettings settings;
    settings.port = readString(ComPortValue).value_or(settings.port);
    settings.bitrate = readInt(BitrateValue).value_or(settings.bitrate);
    settings.parity = readInt(ParityValue).value_or(settings.parity);
    settings.path = readString(PathValue).value_or(QString());
    for (int number = 1; number <= OptionCount; ++number) {
        const std::optional<std::int32_t> stored = readInt(checkValueName(number));
        settings.options.at(static_cast<std::size_t>(number) - 1) =
            stored ? *stored != 0 : DefaultOption;
    }
    return settings;
}

bool SettingsStore::sync() {
    settings_.sync();
    return settings_.status() == QSettings::NoError;
}

QString SettingsStore::location() const {
    return settings_.fileName();
}

}  // namespace kelvan::session
