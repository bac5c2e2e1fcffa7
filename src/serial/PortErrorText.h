#pragma once

// The message a user reads when the port does not open: the component's fixed text on the
// first line, and on the second the port's name with the reason the system gave, in Russian.
// The start-up box, kelvan-cli and any retry report all show this one text.

#include <string>

#include "serial/TComm32.h"

namespace kelvan::serial {

// Whose advice the second line gives where the reason is a denied access.
enum class PortSystem {
    Linux,    // serial devices belong to the group dialout
    Windows,  // a COM port that another program holds is reported as denied
    Other,
};

// The system the program was built for.
PortSystem currentPortSystem();

// error.what(), a line end, then "Порт NAME: reason." ("Порт NAME." when there is no reason
// to add, "Порт не задан." for an empty name). UTF-8.
std::string portErrorText(const ECommsError& error, PortSystem system = currentPortSystem());

}  // namespace kelvan::serial
