#pragma once
// Shows an image scaled to fill its bounds.
#include "platform/graphics/Image.h"
#include "platform/ui/View.h"

namespace platform {

class ImageView : public View {
public:
    explicit ImageView(const Rect& frame = {});
    // A view the size of the image in points, at the origin.
    explicit ImageView(ImageRef image);

    const ImageRef& image() const { return image_; }
    // Null shows nothing. Redraws.
    void setImage(ImageRef image);
    // Makes the bounds the image's size in points.
    void sizeToFit();

    void drawRect(GraphicsContext& context, const Rect& rect) override;
    // "image": a bundle image name.
    bool setProperty(std::string_view key, const InterfaceValue& value) override;

private:
    ImageRef image_;
};

}  // namespace platform
