#include "serial/PortErrorText.h"

namespace kelvan::serial {
namespace {

// The reason after the port's name, empty where the first line says all there is.
std::string reasonText(OpenResult result, PortSystem system) {
    switch (result) {
        case OpenResult::NoSuchDevice:
            return "нет такого устройства";
        case OpenResult::AccessDenied:
            switch (system) {
                case PortSystem::Linux:
                    return "нет прав доступа. Добавьте себя в группу dialout и войдите в "
                           "систему заново";
                case PortSystem::Windows:
                    return "доступ запрещён; возможно, порт занят другой программой";
                case PortSystem::Other:
                    break;
            }
            return "нет прав доступа";
        case OpenResult::HeldElsewhere:
            return "занят другой программой";
        case OpenResult::Opened:
        case OpenResult::NotCommPort:
        case OpenResult::CannotOpen:
            break;
    }
    return {};
}

}  // namespace

PortSystem currentPortSystem() {
#if defined(_WIN32)
    return PortSystem::Windows;
#elif defined(__linux__)
    return PortSystem::Linux;
#else
    return PortSystem::Other;
#endif
}

std::string portErrorText(const ECommsError& error, PortSystem system) {
    std::string text = std::string(error.what()) + "\n";
    if (error.port().empty()) {
        return text + "Порт не задан.";
    }
    text += "Порт " + error.port();
    if (const std::string reason = reasonText(error.openResult(), system); !reason.empty()) {
        text += ": " + reason;
    }
    return text + ".";
}

}  // namespace kelvan::serial
