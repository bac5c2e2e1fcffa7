#include "common/LoadFailure.h"

namespace kelvan::tools {

std::string loadFailure(const image::LoadResult& result, const std::string& input) {
    const std::string limit = std::to_string(image::ImageLengthLimit);
    switch (result.outcome) {
        case image::LoadOutcome::Loaded:
            return {};
        case image::LoadOutcome::NoFile:
            return input + ": no such file";
        case image::LoadOutcome::OpenFailed:
            return "cannot read " + input + ": " + result.reason;
        case image::LoadOutcome::IgnoredTooLong:
            return input + ": longer than " + limit + " bytes, ignored";
        case image::LoadOutcome::LengthWarning:
            return input + ": the image would hold " + limit + " bytes or more, not loaded";
        case image::LoadOutcome::Abandoned:
            return input + ": " + result.reason;
    }
    return input + ": not loaded";
}

}  // namespace kelvan::tools
