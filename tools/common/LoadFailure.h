#pragma once

#include <string>

#include "image/ImageLoader.h"

namespace kelvan::tools {

// Why the load of input gave no image, as one line for standard error; empty when it was
// loaded.
std::string loadFailure(const image::LoadResult& result, const std::string& input);

}  // namespace kelvan::tools
