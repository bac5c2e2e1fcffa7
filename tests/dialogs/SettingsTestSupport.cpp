#include "SettingsTestSupport.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <stdexcept>

namespace kelvan::dialogs::test {

void useTemporaryConfigHome() {
    static QTemporaryDir home;
    if (!home.isValid() || !qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()))) {
        throw std::runtime_error("cannot set up a temporary XDG_CONFIG_HOME");
    }
}

QString settingsFilePath() {
    return QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath("NORVELLA/KELVAN.conf");
}

void forgetSettings() {
    QFile file(settingsFilePath());
    if (file.exists() && !file.remove()) {
        throw std::runtime_error("cannot remove " + settingsFilePath().toStdString());
    }
}

QString settingsFileText() {
    QFile file(settingsFilePath());
    if (!file.exists()) {
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("cannot read " + settingsFilePath().toStdString());
    }
    return QString::fromUtf8(file.readAll());
}

void plantSetting(const QString& name, const QVariant& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "NORVELLA", "KELVAN");
    settings.setValue(name, value);
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        throw std::runtime_error("cannot plant " + name.toStdString());
    }
}

}  // namespace kelvan::dialogs::test
