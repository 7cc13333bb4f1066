#include "ports/ui/simple_controls.hpp"

#include <algorithm>

#include "support/error.hpp"

namespace kv::ui {

bool Button::UserClick() {
    if (!AcceptsInput()) return false;
    Click.Raise();
    return true;
}

void ImageList::SetImageSize(int width, int height) {
    if (width <= 0 || height <= 0) ThrowInvalidProperty(*this, "ImageSize");
    imageWidth_ = width;
    imageHeight_ = height;
}

void ImageList::Add(const std::string& key) {
    if (key.empty()) throw Error(uierr::InvalidKey, Name(), "Invalid key");
    if (Contains(key)) throw Error(uierr::KeyNotUnique, Name(), "Key is not unique in collection");
    keys_.push_back(key);
}

bool ImageList::Contains(const std::string& key) const {
    return std::find(keys_.begin(), keys_.end(), key) != keys_.end();
}

void CheckImageKey(const ImageList* images, const std::string& key, const Control& owner) {
    if (key.empty() || images == nullptr || images->Contains(key)) return;
    throw Error(uierr::ElementNotFound, owner.Name(), "Element not found: image \"" + key + "\"");
}

}  // namespace kv::ui
