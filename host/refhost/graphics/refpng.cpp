#include "refpng.h"

#include <png.h>

#include <cstring>
#include <filesystem>

namespace {

bool fail(std::string* error, const std::string& message) {
    if (error != nullptr) *error = message;
    return false;
}

}  // namespace

bool refWritePng(const std::string& path, int32_t width, int32_t height, const std::vector<uint8_t>& rgb,
                 std::string* error) {
    if (width <= 0 || height <= 0 || rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) {
        return fail(error, "cannot write " + path + ": the picture is not " + std::to_string(width) + " x " +
                               std::to_string(height) + " RGB pixels");
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    // Written beside the target and moved over it, so a failure leaves an
    // existing file as it was.
    const std::string partial = path + ".partial";
    if (png_image_write_to_file(&image, partial.c_str(), 0, rgb.data(), 0, nullptr) == 0) {
        const std::string reason = image.message;
        png_image_free(&image);
        return fail(error, "cannot write " + path + ": " + reason);
    }
    std::error_code failure;
    std::filesystem::rename(partial, path, failure);
    if (!failure) return true;
    const std::string reason = failure.message();
    std::filesystem::remove(partial, failure);
    return fail(error, "cannot write " + path + ": " + reason);
}
