#pragma once

// The settings file as the tests see it: a private configuration folder, and the file's text
// written or read directly rather than through the store under test. Each helper throws when
// the file system refuses it, so a test fails instead of running on stale settings.

#include <QString>
#include <QVariant>

namespace kelvan::dialogs::test {

// Points the per-user settings at a fresh temporary folder (XDG_CONFIG_HOME). Call once, before
// anything reads the settings; the folder lasts until the process ends.
void useTemporaryConfigHome();
// The settings file: <XDG_CONFIG_HOME>/NORVELLA/KELVAN.conf.
QString settingsFilePath();
// Removes the settings file so that a test starts as on a machine that never ran the program.
void forgetSettings();
// The settings file's text as it is on disk ("" when it does not exist).
QString settingsFileText();
// Stores `value` under `name` as the program would find it at its next start.
void plantSetting(const QString& name, const QVariant& value);

}  // namespace kelvan::dialogs::test
