#pragma once

#include "platform/ui/Control.h"
#include "platform/ui/Image.h"
#include "platform/ui/Label.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace platform {

enum class ButtonType { Custom = 0, RoundedRect = 1 };

// A push button. Title, title colour, image and background image are set per control state;
// a state without its own value shows the normal state's. The background image is stretched
// over the bounds, the image is drawn at its own size placed by the content alignment, and
// the title is drawn by titleLabel() over both (to the right of the image when there is one).
// A rounded-rect button draws a white rounded box with a border, blue while highlighted; a
// custom button with a background colour brightens it while highlighted.
class Button : public Control {
public:
    static std::shared_ptr<Button> buttonWithType(ButtonType type);
    explicit Button(ButtonType type = ButtonType::Custom, const Rect& frame = kRectZero);

    ButtonType buttonType() const { return type_; }

    void setTitle(std::string title, uint32_t state);
    std::string titleForState(uint32_t state) const;
    void setTitleColor(Color color, uint32_t state);
    Color titleColorForState(uint32_t state) const;
    // nullptr removes the state's own image, so the normal state's shows.
    void setImage(std::shared_ptr<const Image> image, uint32_t state);
    std::shared_ptr<const Image> imageForState(uint32_t state) const;
    void setBackgroundImage(std::shared_ptr<const Image> image, uint32_t state);
    std::shared_ptr<const Image> backgroundImageForState(uint32_t state) const;

    // What the current state shows.
    std::string currentTitle() const { return titleForState(state()); }
    std::shared_ptr<const Image> currentImage() const { return imageForState(state()); }
    std::shared_ptr<const Image> currentBackgroundImage() const {
        return backgroundImageForState(state());
    }

    // The label that shows the title; its text and colour follow the state.
    const std::shared_ptr<Label>& titleLabel() const { return titleLabel_; }
    // Where the current image is drawn, in the bounds.
    Rect imageRect() const;

    void layoutSubviews() override;
    void draw(Painter& painter) override;

protected:
    void stateDidChange() override;
    void contentAlignmentDidChange() override;

private:
    struct StateContent {
        std::optional<std::string> title;
        std::optional<Color> titleColor;
        std::shared_ptr<const Image> image;
        std::shared_ptr<const Image> backgroundImage;
    };
    // The value of `field` for `state`, else for the normal state.
    template <class Field>
    Field lookup(uint32_t state, Field StateContent::*field) const;
    void contentChanged();
    void drawRoundedRect(Painter& painter) const;

    ButtonType type_;
    std::map<uint32_t, StateContent> content_;
    std::shared_ptr<Label> titleLabel_;
};

}  // namespace platform
