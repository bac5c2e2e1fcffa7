#include "RunSettings.h"

#include <initializer_list>
#include <optional>

#include "session/SettingsStore.h"

static_assert(kelvan::session::OptionCount == 12, "RunSettings keeps one flag per option");

namespace kelvan::cli {

using operations::Option;

namespace {

// Puts a command-line switch, when given, in place of every option it stands for.
void override(std::array<bool, 12>& options, std::optional<bool> value,
              std::initializer_list<Option> standsFor) {
    if (!value) {
        return;
    }
    for (const Option option : standsFor) {
        options.at(static_cast<std::size_t>(option) - 1) = *value;
    }
}

}  // namespace

RunSettings RunSettings::resolve(const CommandLine& commandLine) {
    const session::StoredSettings stored = session::SettingsStore().readAll();
    RunSettings settings;
    settings.port = commandLine.port.value_or(stored.port.toStdString());
    // A stored rate the port refuses shows up when the port is opened, as in the window.
    settings.bitrate =
        commandLine.bitrate.value_or(static_cast<std::uint32_t>(stored.bitrate));
    settings.parity = commandLine.parity.value_or(stored.parity);
    settings.options = stored.options;

    std::array<bool, 12>& options = settings.options;
    override(options, commandLine.signatureCheck,
             {Option::SignatureBeforeErase, Option::SignatureAfterErase,
              Option::SignatureBeforeEepromWrite});
    override(options, commandLine.erase,
             {Option::EraseBeforeProgramWrite, Option::EraseBeforeEepromWrite});
    override(options, commandLine.verify, {Option::VerifyProgramWrite, Option::VerifyEepromWrite});
    override(options, commandLine.setLockBits, {Option::LockBitsAfterProgramWrite});
    if (commandLine.noHex) {
        override(options, false, {Option::ReadHexFiles});
    }
    if (commandLine.noEep) {
        override(options, false, {Option::ReadEepFiles});
    }
    return settings;
}

}  // namespace kelvan::cli
