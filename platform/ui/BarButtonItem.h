#pragma once

#include <concepts>
#include <functional>
#include <memory>
#include <string>

namespace platform {

class Image;
class View;

enum class BarButtonItemStyle { Plain = 0, Bordered = 1, Done = 2 };

// A button on a toolbar or navigation bar, described by a title, an image or a custom view.
// The bar that shows the item builds the view for it; the item tells that bar (held weakly)
// when its look changes, so the bar lays itself out again.
//
// The action's target is not owned: an action whose target has gone does nothing.
class BarButtonItem : public std::enable_shared_from_this<BarButtonItem> {
public:
    using Action = std::function<void(BarButtonItem& sender)>;

    explicit BarButtonItem(std::string title,
                           BarButtonItemStyle style = BarButtonItemStyle::Bordered);
    explicit BarButtonItem(std::shared_ptr<const Image> image,
                           BarButtonItemStyle style = BarButtonItemStyle::Plain);
    explicit BarButtonItem(std::shared_ptr<View> customView);
    // Empty space that shares the width left over on a toolbar with the other flexible spaces.
    static std::shared_ptr<BarButtonItem> flexibleSpace();

    const std::string& title() const { return title_; }
    void setTitle(std::string title);
    BarButtonItemStyle style() const { return style_; }
    void setStyle(BarButtonItemStyle style);
    const std::shared_ptr<const Image>& image() const { return image_; }
    void setImage(std::shared_ptr<const Image> image);
    const std::shared_ptr<View>& customView() const { return customView_; }
    bool isFlexibleSpace() const { return flexibleSpace_; }

    // Replaces the action. `U` may be a base class of `T` that declares the member.
    template <class T, class U>
    requires std::derived_from<T, U>
    void setTarget(const std::shared_ptr<T>& target, void (U::*action)()) {
        std::weak_ptr<T> weak = target;
        action_ = [weak, action](BarButtonItem&) {
            if (auto strong = weak.lock()) ((*strong).*action)();
        };
    }
    template <class T, class U>
    requires std::derived_from<T, U>
    void setTarget(const std::shared_ptr<T>& target, void (U::*action)(BarButtonItem&)) {
        std::weak_ptr<T> weak = target;
        action_ = [weak, action](BarButtonItem& sender) {
            if (auto strong = weak.lock()) ((*strong).*action)(sender);
        };
    }
    // An action without a target, for the platform's own wiring (the back button).
    void setAction(Action action) { action_ = std::move(action); }
    bool hasAction() const { return static_cast<bool>(action_); }
    // Runs the action, as a tap on the item's button does.
    void trigger();

    // The bar showing this item; set by that bar, which is told about changes.
    void setHost(std::weak_ptr<View> host) { host_ = std::move(host); }

private:
    BarButtonItem() = default;
    void notifyHost();

    std::string title_;
    BarButtonItemStyle style_ = BarButtonItemStyle::Plain;
    std::shared_ptr<const Image> image_;
    std::shared_ptr<View> customView_;
    bool flexibleSpace_ = false;
    Action action_;
    std::weak_ptr<View> host_;  // non-owning
};

}  // namespace platform
