#pragma once

#include <QAnyStringView>
#include <QSettings>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace kelvan::session {

// The names of the stored values: the one list that reading and writing share.
inline constexpr char ComPortValue[] = "ComPort";
inline constexpr char BitrateValue[] = "Bitrate";
inline constexpr char ParityValue[] = "Parity";
inline constexpr char PathValue[] = "Path";
inline constexpr int OptionCount = 12;
QString checkValueName(int number);  // "Check1" ... "Check12"

// What the settings dialog holds before anything is stored, and so what a missing value means.
// Windows names ports "COM1"; elsewhere a port is a device path.
#ifdef Q_OS_WIN
inline constexpr char DefaultPortName[] = "COM1";
#else
inline constexpr char DefaultPortName[] = "/dev/ttyUSB0";
#endif
inline constexpr std::int32_t DefaultBitrate = 56000;
inline constexpr std::int32_t DefaultParity = -1;  // no "Девятый бит" item selected
inline constexpr bool DefaultOption = true;        // every option ticked

// Every stored value at once, each one's default where it is missing or unreadable.
struct StoredSettings {
    QString port = QString::fromUtf8(DefaultPortName);
    std::int32_t bitrate = DefaultBitrate;
    std::int32_t parity = DefaultParity;   // an item of the ninth-bit list, -1 none
    QString path;                          // the working folder; "" when none is stored
    std::array<bool, OptionCount> options{};  // Check1..Check12
};

// The per-user settings of the program: on Windows the registry key Software\NORVELLA\KELVAN
// (strings as REG_SZ, integers as REG_DWORD), elsewhere the INI file NORVELLA/KELVAN.conf in the
// user's configuration folder. A value of the wrong type or one that cannot be read counts as
// missing, so a damaged store falls back to the defaults instead of failing.
class SettingsStore {
  public:
    SettingsStore();

    // The value as text, or nothing when it is missing or is not text.
    std::optional<QString> readString(QAnyStringView name) const;
    // The value as a 32-bit signed integer, or nothing when it is missing or is not one.
    std::optional<std::int32_t> readInt(QAnyStringView name) const;

    void writeString(QAnyStringView name, const QString& value);
    void writeInt(QAnyStringView name, std::int32_t value);

    // The stored text, or `fallback` after writing it when there is none.
    QString readOrWriteString(QAnyStringView name, const QString& fallback);
    // The stored integer, or `fallback` after writing it when there is none.
    std::int32_t readOrWriteInt(QAnyStringView name, std::int32_t fallback);

    // Reads every value, with the defaults in place of missing ones.
    StoredSettings readAll() const;

    // Writes pending changes through. False when the store cannot be written (access denied,
    // unparsable file left alone); the changes are then lost.
    bool sync();
    // Where the values live: the INI file's path or the registry key, for error reports.
    QString location() const;

  private:
    QSettings settings_;
};

}  // namespace kelvan::session
