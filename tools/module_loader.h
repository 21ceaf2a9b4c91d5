// Loads the crop module the way a host application does, and finds its export.
#pragma once

#include <string>

#include "export/bmp_crop.h"

namespace zoro {

using CropFunction = decltype(&BMPCrop);

// Loads the module from `modulePath`, or when that is empty from beside the running
// program, then from where it is installed relative to the program. Returns its BMPCrop,
// or null with `error` saying why. The module stays loaded until the process ends.
CropFunction LoadCropFunction(const std::string& modulePath, std::string& error);

}  // namespace zoro
