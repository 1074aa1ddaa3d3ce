#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Control.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Label.h"
#include "platform/ui/table/TableViewCell.h"

#include <memory>
#include <string>

class SoundEffect;

// One row of the sound list: the clip's title, centred over the whole content view, and a check
// button that flips the clip's hidden flag when a finger comes down on it. The list decides
// whether the button shows and fills title, colour and image for each row it hands out.
//
// The cell shares its clip with the board's catalogue; a toggle changes only that shared object
// and tells nobody else. The button sits in the cell's own view, not in the content view, so it
// keeps its place at the row's left edge when editing indents the content.
class CustomCell : public platform::TableViewCell {
    // Restricts construction to create(), which also wires the button to the cell.
    struct Token {
        explicit Token() = default;
    };

public:
    // Builds the title label and the check button; the title stays empty until a clip is set.
    static std::shared_ptr<CustomCell> create(const platform::Rect& frame,
                                              const std::string& reuseIdentifier);
    CustomCell(Token, const platform::Rect& frame, const std::string& reuseIdentifier);

    // The check button's action (touch down): inverts the clip's hidden flag and shows the new
    // state on the button's image and in the title's colour. Without a clip it shows the shown
    // state. The sender is not used.
    void checkAction(platform::Control& sender);

    const std::shared_ptr<SoundEffect>& sound() const { return sound_; }
    void setSound(std::shared_ptr<SoundEffect> sound) { sound_ = std::move(sound); }
    const std::shared_ptr<platform::Button>& checkButton() const { return checkButton_; }
    void setCheckButton(std::shared_ptr<platform::Button> button) {
        checkButton_ = std::move(button);
    }
    const std::shared_ptr<platform::Label>& titleLabel() const { return titleLabel_; }
    void setTitleLabel(std::shared_ptr<platform::Label> label) { titleLabel_ = std::move(label); }

private:
    void buildTitleLabel(const platform::Rect& contentBounds);
    void buildCheckButton(const platform::Rect& contentBounds);

    std::shared_ptr<SoundEffect> sound_;
    std::shared_ptr<platform::Button> checkButton_;
    std::shared_ptr<platform::Label> titleLabel_;
};
