// The two-line message a port that did not open is reported with.

#include <gtest/gtest.h>

#include <string>

#include "serial/PortErrorText.h"

namespace kelvan::serial {
namespace {

TEST(PortErrorText, NamesThePortAndTheReasonUnderTheFixedText) {
    const struct {
        const char* fixedText;
        std::string port;
        OpenResult result;
        PortSystem system;
        std::string expected;
    } cases[] = {
        {"Невозможно открыть порт!", "/dev/ttyUSB0", OpenResult::NoSuchDevice, PortSystem::Linux,
         "Невозможно открыть порт!\nПорт /dev/ttyUSB0: нет такого устройства."},
        {"Невозможно открыть порт!", "/dev/ttyACM0", OpenResult::AccessDenied, PortSystem::Linux,
         "Невозможно открыть порт!\nПорт /dev/ttyACM0: нет прав доступа. Добавьте себя в группу "
         "dialout и войдите в систему заново."},
        {"Невозможно открыть порт!", "COM4", OpenResult::AccessDenied, PortSystem::Windows,
         "Невозможно открыть порт!\nПорт COM4: доступ запрещён; возможно, порт занят другой "
         "программой."},
        {"Невозможно открыть порт!", "/dev/ttyUSB1", OpenResult::HeldElsewhere, PortSystem::Linux,
         "Невозможно открыть порт!\nПорт /dev/ttyUSB1: занят другой программой."},
        {"Невозможно открыть порт!", "", OpenResult::NoSuchDevice, PortSystem::Linux,
         "Невозможно открыть порт!\nПорт не задан."},
        {"Задан не COM-порт", "/home/user/a.hex", OpenResult::NotCommPort, PortSystem::Linux,
         "Задан не COM-порт\nПорт /home/user/a.hex."},
        {"Неверно заданы параметры порта!", "COM1", OpenResult::Opened, PortSystem::Windows,
         "Неверно заданы параметры порта!\nПорт COM1."},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.expected);
        EXPECT_EQ(portErrorText(ECommsError(item.fixedText, item.port, item.result), item.system),
                  item.expected);
    }
}

}  // namespace
}  // namespace kelvan::serial
