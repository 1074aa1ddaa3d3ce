#include "platform/a11y/AccessibleTreeBuilder.h"

#include <algorithm>
#include <ctime>

#include "platform/a11y/AccessibleContent.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButton.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/KeyCommands.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Switch.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"

namespace platform::a11y {
namespace {
// Identities of views are this far apart; the ones between name the parts of a view that are
// not views of their own (segments, an alert's message).
constexpr uint64_t kIdStep = 64;
constexpr uint64_t kShown = kStateEnabled | kStateSensitive | kStateVisible | kStateShowing;
constexpr float kInvisibleAlpha = 0.01f;

bool overlaps(const Rect& a, const Rect& b) {
    return a.x() < b.maxX() && b.x() < a.maxX() && a.y() < b.maxY() && b.y() < a.maxY();
}

std::string buttonName(const Button& button) {
    if (!button.accessibilityLabel().empty()) return button.accessibilityLabel();
    const std::string title = button.currentTitle();
    return title.empty() ? button.titleForState(kControlStateNormal) : title;
}

// The time as the status bar shows it.
std::string clockText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16] = "";
    std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
}

uint64_t controlStates(const View& view) {
    const auto* control = dynamic_cast<const Control*>(&view);
    if (!control || control->isEnabled()) return kShown;
    return kShown & ~static_cast<uint64_t>(kStateEnabled | kStateSensitive);
}
}  // namespace

struct AccessibleTreeBuilder::Walk {
    AccessibleSnapshot& snapshot;
    Rect window;
    uint64_t alertButton = 0;
};

AccessibleTreeBuilder::AccessibleTreeBuilder() : nextId_(kIdStep) {}

AccessibleTreeBuilder::~AccessibleTreeBuilder() = default;

uint64_t AccessibleTreeBuilder::idFor(const std::shared_ptr<View>& view) {
    auto& identity = ids_[view.get()];
    // A new view at the address of one that has gone is a new object.
    if (identity.id == 0 || identity.view.expired()) {
        identity = {view, nextId_};
        nextId_ += kIdStep;
    }
    return identity.id;
}

std::shared_ptr<const AccessibleSnapshot> AccessibleTreeBuilder::build(Window& window,
                                                                       const std::string& title,
                                                                       bool active,
                                                                       bool statusBarShown,
                                                                       ScreenMapping screen) {
    // Described as it is about to be drawn.
    window.layoutIfNeeded();
    std::erase_if(ids_, [](const auto& entry) { return entry.second.view.expired(); });
    actions_.clear();
    setters_.clear();
    listContent_.reset();

    auto snapshot = std::make_shared<AccessibleSnapshot>();
    snapshot->screen = screen;
    AccessibleNode frame;
    frame.id = idFor(window.shared_from_this());
    frame.role = Role::Frame;
    frame.name = title;
    frame.states = kShown | (active ? uint64_t{kStateActive} : uint64_t{0});
    frame.extents = window.frame();
    snapshot->nodes.push_back(std::move(frame));

    Walk walk{*snapshot, window.bounds()};
    for (const auto& subview : window.subviews()) describe(subview, 0, walk);
    if (statusBarShown) {
        AccessibleNode bar;
        bar.id = snapshot->nodes.front().id + 1;
        bar.parent = snapshot->nodes.front().id;
        bar.role = Role::StatusBar;
        bar.name = clockText();
        bar.states = kShown;
        bar.extents = Rect(0, 0, window.bounds().width(), 20);
        snapshot->nodes.front().children.push_back(bar.id);
        snapshot->nodes.push_back(std::move(bar));
    }
    // While an alert shows, its button has the focus; otherwise the list's focused row does.
    if (walk.alertButton != 0)
        snapshot->focus = walk.alertButton;
    else if (const auto content = listContent_.lock(); content && rows_) {
        const int row = content->accessibleFocusedRow();
        if (row >= 0 && static_cast<size_t>(row) < rows_->size())
            snapshot->focus = rows_->id(static_cast<size_t>(row));
    }
    return snapshot;
}

void AccessibleTreeBuilder::describe(const std::shared_ptr<View>& view, size_t parent, Walk& walk) {
    if (view->isHidden() || view->alpha() < kInvisibleAlpha) return;
    if (!overlaps(view->convertRect(view->bounds(), nullptr), walk.window)) return;
    bool leaf = false;
    const size_t index = describeOne(view, parent, walk, leaf);
    if (leaf) return;
    for (const auto& subview : view->subviews()) describe(subview, index, walk);
}

size_t AccessibleTreeBuilder::describeOne(const std::shared_ptr<View>& view, size_t parent,
                                          Walk& walk, bool& leaf) {
    AccessibleNode node;
    node.states = controlStates(*view);
    View& plain = *view;
    const std::weak_ptr<View> weak = view;
    std::vector<std::function<void()>> actions;
    if (auto* alert = dynamic_cast<AlertView*>(&plain)) {
        if (!alert->isVisible()) {
            leaf = true;
            return parent;
        }
        node.role = Role::Alert;
        node.name = alert->title();
        node.states |= kStateModal;
        if (auto button = alert->buttonAtIndex(std::max(alert->cancelButtonIndex(), 0)))
            walk.alertButton = idFor(button);
    } else if (dynamic_cast<TableView*>(&plain)) {
        node.role = Role::List;
        leaf = true;
    } else if (auto* toggle = dynamic_cast<Switch*>(&plain)) {
        node.role = Role::ToggleButton;
        if (toggle->isOn()) node.states |= kStateChecked;
        node.actions = {"toggle"};
        actions.push_back(KeyCommands::toggle(std::static_pointer_cast<Switch>(view)));
        leaf = true;
    } else if (auto* slider = dynamic_cast<Slider*>(&plain)) {
        node.role = Role::Slider;
        node.value =
            AccessibleValue{slider->value(), slider->minimumValue(), slider->maximumValue(), 1};
        setters_[idFor(view)] = [weak](double value) {
            const auto strong = std::static_pointer_cast<Slider>(weak.lock());
            if (strong) KeyCommands::step(strong, static_cast<float>(value) - strong->value())();
        };
        leaf = true;
    } else if (dynamic_cast<SegmentedControl*>(&plain)) {
        node.role = Role::Panel;
        leaf = true;
    } else if (auto* barButton = dynamic_cast<BarButton*>(&plain)) {
        node.role = Role::PushButton;
        node.name = barButton->item() ? barButton->item()->title() : std::string();
        node.actions = {"click"};
        actions.push_back(KeyCommands::tap(std::static_pointer_cast<Control>(view)));
        leaf = true;
    } else if (auto* button = dynamic_cast<Button*>(&plain)) {
        node.role = Role::PushButton;
        node.name = buttonName(*button);
        node.actions = {"click"};
        actions.push_back(KeyCommands::tap(std::static_pointer_cast<Control>(view)));
        leaf = true;
    } else if (auto* label = dynamic_cast<Label*>(&plain)) {
        if (label->text().empty()) return parent;
        node.role = Role::Label;
        node.name = label->text();
        leaf = true;
    } else if (auto* bar = dynamic_cast<NavigationBar*>(&plain)) {
        node.role = Role::ToolBar;
        node.name = bar->title();
    } else if (dynamic_cast<Toolbar*>(&plain)) {
        node.role = Role::ToolBar;
    } else {
        return parent;
    }
    if (!view->accessibilityLabel().empty()) node.name = view->accessibilityLabel();
    node.id = idFor(view);
    node.parent = walk.snapshot.nodes[parent].id;
    node.extents = view->convertRect(view->bounds(), nullptr);
    if (!actions.empty()) actions_[node.id] = std::move(actions);
    const size_t index = walk.snapshot.nodes.size();
    walk.snapshot.nodes[parent].children.push_back(node.id);
    walk.snapshot.nodes.push_back(std::move(node));
    if (walk.snapshot.nodes.back().role == Role::List)
        describeList(view, walk.snapshot.nodes.back(), walk);
    else if (walk.snapshot.nodes.back().role == Role::Panel)
        describeSegments(view, index, walk);
    else if (auto* alert = dynamic_cast<AlertView*>(&plain); alert && !alert->message().empty()) {
        AccessibleNode message;
        message.id = walk.snapshot.nodes.back().id + 1;
        message.parent = walk.snapshot.nodes.back().id;
        message.role = Role::Label;
        message.name = alert->message();
        message.states = kShown;
        message.extents = walk.snapshot.nodes.back().extents;
        walk.snapshot.nodes.back().children.push_back(message.id);
        walk.snapshot.nodes.push_back(std::move(message));
    }
    return index;
}

void AccessibleTreeBuilder::describeList(const std::shared_ptr<View>& view, AccessibleNode& node,
                                         Walk& walk) {
    auto& table = static_cast<TableView&>(*view);
    auto& list = walk.snapshot.list;
    list.id = node.id;
    list.rowHeight = table.rowHeight();
    list.contentOffsetY = table.contentOffset().y;
    if (const auto selected = table.indexPathForSelectedRow()) list.selectedRow = selected->row;
    const auto content = view->accessibilityContent();
    listContent_ = content;
    rows_ = content ? content->accessibleRows() : nullptr;
    if (!rows_)
        rows_ = std::make_shared<const AccessibleRowList>(std::vector<uint64_t>{},
                                                          std::vector<std::string>{});
    list.rows = rows_;
    if (!content) return;
    list.rowActions = content->accessibleRowActions();
    scratchChecks_.clear();
    if (content->accessibleRowsChecked(scratchChecks_)) {
        // Shared with the last snapshot while nothing was checked or unchecked.
        if (!checked_ || *checked_ != scratchChecks_)
            checked_ = std::make_shared<const std::vector<bool>>(scratchChecks_);
        list.checked = checked_;
    }
}

void AccessibleTreeBuilder::describeSegments(const std::shared_ptr<View>& view, size_t index,
                                             Walk& walk) {
    const auto control = std::static_pointer_cast<SegmentedControl>(view);
    const std::weak_ptr<SegmentedControl> weak = control;
    for (int segment = 0; segment < control->numberOfSegments(); ++segment) {
        AccessibleNode radio;
        radio.id = walk.snapshot.nodes[index].id + 1 + static_cast<uint64_t>(segment);
        radio.parent = walk.snapshot.nodes[index].id;
        radio.role = Role::RadioButton;
        radio.name = control->titleForSegmentAtIndex(segment);
        radio.states = controlStates(*control) | kStateCheckable;
        if (segment == control->selectedSegmentIndex()) radio.states |= kStateChecked;
        radio.extents = control->convertRect(control->rectForSegmentAtIndex(segment), nullptr);
        radio.actions = {"click"};
        // Picks the segment as a finger on it does.
        actions_[radio.id] = {[weak, segment] {
            const auto strong = weak.lock();
            if (strong)
                KeyCommands::stepSegment(strong, segment - strong->selectedSegmentIndex())();
        }};
        walk.snapshot.nodes[index].children.push_back(radio.id);
        walk.snapshot.nodes.push_back(std::move(radio));
    }
}

int AccessibleTreeBuilder::rowOf(uint64_t id) const {
    return (id & kRowIdBit) && rows_ ? rows_->rowOf(id) : -1;
}

void AccessibleTreeBuilder::doAction(uint64_t id, int index) {
    if (const int row = rowOf(id); row >= 0) {
        const auto content = listContent_.lock();
        const auto names = content ? content->accessibleRowActions() : std::vector<std::string>{};
        if (index >= 0 && static_cast<size_t>(index) < names.size())
            content->performAccessibleRowAction(row, names[static_cast<size_t>(index)]);
        return;
    }
    const auto found = actions_.find(id);
    if (found == actions_.end() || index < 0 || static_cast<size_t>(index) >= found->second.size())
        return;
    // Copied: the action may lead to the next build, which replaces the table.
    const auto action = found->second[static_cast<size_t>(index)];
    action();
}

void AccessibleTreeBuilder::setCurrentValue(uint64_t id, double value) {
    const auto found = setters_.find(id);
    if (found == setters_.end()) return;
    const auto setter = found->second;
    setter(value);
}

void AccessibleTreeBuilder::grabFocus(uint64_t id) {
    const int row = rowOf(id);
    if (const auto content = listContent_.lock(); content && row >= 0)
        content->focusAccessibleRow(row);
}

}  // namespace platform::a11y
