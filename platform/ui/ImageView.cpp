#include "platform/ui/ImageView.h"

#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/ImageCache.h"
#include "platform/ui/InterfaceValue.h"

namespace platform {

ImageView::ImageView(const Rect& frame) : View(frame) { setUserInteractionEnabled(false); }

ImageView::ImageView(ImageRef image) : ImageView(Rect{}) {
    image_ = std::move(image);
    sizeToFit();
    setCenter({bounds().width() / 2, bounds().height() / 2});
}

void ImageView::setImage(ImageRef image) {
    if (image == image_) return;
    image_ = std::move(image);
    setNeedsDisplay();
}

void ImageView::sizeToFit() {
    if (!image_) return;
    setBounds({bounds().origin, ImageCache::pointSize(image_)});
}

void ImageView::drawRect(GraphicsContext& context, const Rect&) {
    if (!image_) {
        View::drawRect(context, {});  // nothing of its own
        return;
    }
    context.drawImage(bounds(), image_);
}

bool ImageView::setProperty(std::string_view key, const InterfaceValue& value) {
    if (key == "image") {
        if (value.isNull()) {
            setImage(nullptr);
            return true;
        }
        if (auto name = value.asString()) {
            setImage(ImageCache::imageNamed(*name));
            return true;
        }
        return false;
    }
    return View::setProperty(key, value);
}

}  // namespace platform
