#include "common/LoadFailure.h"

namespace kelvan::tools {

std::string loadFailure(const buffer::LoadResult& result, const std::string& input) {
    const std::string limit = std::to_string(buffer::ImageLengthLimit);
    switch (result.outcome) {
        case buffer::LoadOutcome::Loaded:
            return {};
        case buffer::LoadOutcome::NoFile:
            return input + ": no such file";
        case buffer::LoadOutcome::OpenFailed:
            return "cannot read " + input + ": " + result.reason;
        case buffer::LoadOutcome::IgnoredTooLong:
            return input + ": longer than " + limit + " bytes, ignored";
        case buffer::LoadOutcome::LengthWarning:
            return input + ": the image would hold " + limit + " bytes or more, not loaded";
        case buffer::LoadOutcome::Abandoned:
            return input + ": " + result.reason;
    }
    return input + ": not loaded";
}

}  // namespace kelvan::tools
