#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/a11y/AccessibleSnapshot.h"

namespace platform {
class AccessibleContent;
class View;
class Window;
}  // namespace platform

namespace platform::a11y {

// Describes the window's view tree as an accessible snapshot, and carries out what assistive
// technology asks of those objects. Main thread only.
//
// Every view a person can see or act on becomes an object: buttons (also the navigation bar's),
// labels, the switch, the slider (with its value), each segment of a segmented control as a
// radio button, alerts, and lists, whose rows come from the list's AccessibleContent. Hidden,
// transparent and off-screen views are left out with their subviews; plain container views are
// left out but their subviews are kept. Actions go the way a finger or a key goes: a button is
// tapped, a switch flipped, a slider moved and told, a row handed to its content.
//
// A view keeps its identity for as long as it lives. The builder holds views only weakly.
class AccessibleTreeBuilder {
public:
    AccessibleTreeBuilder();
    ~AccessibleTreeBuilder();
    AccessibleTreeBuilder(const AccessibleTreeBuilder&) = delete;
    AccessibleTreeBuilder& operator=(const AccessibleTreeBuilder&) = delete;

    // The tree as it is now. `title` names the window; `active` says whether it has the
    // keyboard; `statusBarShown` whether the status bar shows its clock.
    std::shared_ptr<const AccessibleSnapshot> build(Window& window, const std::string& title,
                                                    bool active, bool statusBarShown,
                                                    ScreenMapping screen);

    // Requests, about the objects of the last snapshot built; one about an object that has
    // gone does nothing.
    void doAction(uint64_t id, int index);
    void setCurrentValue(uint64_t id, double value);
    void grabFocus(uint64_t id);

private:
    struct Walk;
    uint64_t idFor(const std::shared_ptr<View>& view);
    void describe(const std::shared_ptr<View>& view, size_t parent, Walk& walk);
    // Adds the node for `view` when it is one a person uses; returns its index, or `parent`
    // when the view is only a container. Sets `leaf` when its subviews are not walked.
    size_t describeOne(const std::shared_ptr<View>& view, size_t parent, Walk& walk, bool& leaf);
    void describeList(const std::shared_ptr<View>& view, AccessibleNode& node, Walk& walk);
    void describeSegments(const std::shared_ptr<View>& view, size_t index, Walk& walk);
    int rowOf(uint64_t id) const;

    struct Identity {
        std::weak_ptr<View> view;
        uint64_t id;
    };
    std::unordered_map<const View*, Identity> ids_;
    uint64_t nextId_;
    // What the objects of the last snapshot do.
    std::unordered_map<uint64_t, std::vector<std::function<void()>>> actions_;
    std::unordered_map<uint64_t, std::function<void(double)>> setters_;
    std::weak_ptr<AccessibleContent> listContent_;  // non-owning
    std::shared_ptr<const AccessibleRowList> rows_;
    std::shared_ptr<const std::vector<bool>> checked_;
    std::vector<bool> scratchChecks_;
};

}  // namespace platform::a11y
