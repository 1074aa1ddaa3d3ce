#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/BarButton.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/table/TableViewController.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "tests/support/RecordingPainter.h"
#include "tests/support/TouchDriver.h"
#include "tests/support/LogInto.h"
#include "tests/support/UiTestEnvironment.h"

namespace platform {
namespace {

using Events = std::vector<std::string>;

// Writes each lifecycle call into a shared list as "name.call".
class RecordingController : public ViewController {
public:
    RecordingController(std::string name, std::shared_ptr<Events> events)
        : name_(std::move(name)), events_(std::move(events)) {}

    void loadView() override {
        record("loadView");
        ViewController::loadView();
    }
    void viewDidLoad() override { record("viewDidLoad"); }
    void viewWillAppear(bool animated) override { record("willAppear", animated); }
    void viewDidAppear(bool animated) override { record("didAppear", animated); }
    void viewWillDisappear(bool animated) override { record("willDisappear", animated); }
    void viewDidDisappear(bool animated) override { record("didDisappear", animated); }

private:
    void record(const std::string& call) { events_->push_back(name_ + "." + call); }
    void record(const std::string& call, bool animated) {
        record(call + (animated ? "(animated)" : "(still)"));
    }

    std::string name_;
    std::shared_ptr<Events> events_;
};

struct NavigationTest : testing::Test {
    std::vector<std::string> log;
    UiTestEnvironment env{{.log = logInto(log)}};
    std::shared_ptr<Window> window = env.makeKeyWindow();
    std::shared_ptr<Events> events = std::make_shared<Events>();
    std::shared_ptr<RecordingController> root = make("root");
    std::shared_ptr<RecordingController> about = make("about");
    std::shared_ptr<NavigationController> navigation = std::make_shared<NavigationController>(root);

    std::shared_ptr<RecordingController> make(const std::string& name) {
        return std::make_shared<RecordingController>(name, events);
    }
    // Puts the stack on screen and forgets the calls that made it appear.
    void showStack() {
        window->addSubview(navigation->view());
        events->clear();
    }
    Events takeEvents() {
        Events taken = *events;
        events->clear();
        return taken;
    }
};

// ---- View controllers ----

TEST_F(NavigationTest, AViewIsLoadedOnFirstUseAndViewDidLoadFollowsOnce) {
    EXPECT_FALSE(about->isViewLoaded());
    const auto view = about->view();
    EXPECT_EQ(view->frame(), Rect(0, 0, 320, 416));
    EXPECT_EQ(about->view(), view);
    EXPECT_EQ(takeEvents(), (Events{"about.loadView", "about.viewDidLoad"}));

    // A view handed over from outside is not built again, but still gets its viewDidLoad.
    auto other = make("other");
    auto built = std::make_shared<View>(Rect(0, 0, 320, 200));
    other->setView(built);
    EXPECT_TRUE(other->isViewLoaded());
    EXPECT_EQ(other->view(), built);
    EXPECT_EQ(takeEvents(), (Events{"other.viewDidLoad"}));
    // Replacing the view loads it anew.
    other->setView(nullptr);
    other->view();
    EXPECT_EQ(takeEvents(), (Events{"other.loadView", "other.viewDidLoad"}));
}

TEST_F(NavigationTest, OnlyUprightPortraitIsAccepted) {
    EXPECT_EQ(static_cast<int>(InterfaceOrientation::Portrait), 1);
    EXPECT_TRUE(about->shouldAutorotateToInterfaceOrientation(InterfaceOrientation::Portrait));
    for (auto orientation :
         {InterfaceOrientation::PortraitUpsideDown, InterfaceOrientation::LandscapeLeft,
          InterfaceOrientation::LandscapeRight})
        EXPECT_FALSE(about->shouldAutorotateToInterfaceOrientation(orientation));
}

TEST_F(NavigationTest, EditButtonFollowsEditingAndItsActionCanBeReplaced) {
    const auto button = root->editButtonItem();
    EXPECT_EQ(root->editButtonItem(), button);  // made once
    EXPECT_EQ(button->title(), "Edit");

    button->trigger();  // the default action toggles editing
    EXPECT_TRUE(root->isEditing());
    EXPECT_EQ(button->title(), "Done");
    EXPECT_EQ(button->style(), BarButtonItemStyle::Done);
    root->setEditing(false, true);
    EXPECT_EQ(button->title(), "Edit");
    EXPECT_EQ(button->style(), BarButtonItemStyle::Bordered);

    // An owner that sets its own style and action keeps both; the title still follows editing.
    struct Owner : ViewController {
        int toggles = 0;
        void editTable() {
            ++toggles;
            setEditing(!isEditing(), true);
        }
    };
    auto owner = std::make_shared<Owner>();
    const auto ownButton = owner->editButtonItem();
    ownButton->setStyle(BarButtonItemStyle::Plain);
    ownButton->setTarget(owner, &Owner::editTable);
    ownButton->trigger();
    EXPECT_EQ(owner->toggles, 1);
    EXPECT_EQ(ownButton->title(), "Done");
    ownButton->trigger();
    EXPECT_EQ(ownButton->title(), "Edit");
    EXPECT_EQ(ownButton->style(), BarButtonItemStyle::Plain);

    owner.reset();  // the action holds its target weakly
    ownButton->trigger();
}

// A table screen that lists three fixed rows.
class ThreeRows : public TableViewController {
public:
    std::vector<IndexPath> selected;
    int tableViewNumberOfRowsInSection(TableView&, int) override { return 3; }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& table,
                                                                  const IndexPath&) override {
        auto cell = table.dequeueReusableCellWithIdentifier("Row");
        return cell ? cell : std::make_shared<TableViewCell>(kRectZero, "Row");
    }
    void tableViewDidSelectRowAtIndexPath(TableView&, const IndexPath& indexPath) override {
        selected.push_back(indexPath);
    }
};

TEST_F(NavigationTest, TableControllerMakesItsTableAndForwardsEditing) {
    auto controller = std::make_shared<ThreeRows>();
    const auto table = controller->tableView();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(controller->view(), table);
    EXPECT_EQ(table->numberOfRowsInSection(0), 3);  // the controller is the data source
    window->addSubview(table);
    table->layoutIfNeeded();
    TouchDriver::tap(*window, {100, 50});
    EXPECT_EQ(controller->selected, std::vector<IndexPath>{IndexPath::forRow(1, 0)});

    controller->setEditing(true, false);
    EXPECT_TRUE(table->isEditing());
    controller->editButtonItem()->trigger();
    EXPECT_FALSE(table->isEditing());

    // A table built elsewhere is used as it is, inside whatever view was given.
    auto built = std::make_shared<ThreeRows>();
    auto container = std::make_shared<View>(Rect(0, 0, 320, 416));
    auto ownTable = std::make_shared<TableView>(Rect(0, 0, 320, 372));
    container->addSubview(ownTable);
    built->setView(container);
    built->setTableView(ownTable);
    EXPECT_EQ(built->tableView(), ownTable);
    EXPECT_EQ(built->view(), container);
}

// ---- Navigation stack ----

TEST_F(NavigationTest, TheStackSitsUnderTheStatusBarWithTheBarOverTheContent) {
    const auto view = navigation->view();
    EXPECT_EQ(view->frame(), Rect(0, 20, 320, 460));
    EXPECT_EQ(navigation->navigationBar()->frame(), Rect(0, 0, 320, 44));
    EXPECT_EQ(root->view()->convertRect(root->view()->bounds(), view.get()), Rect(0, 44, 320, 416));
    EXPECT_EQ(navigation->topViewController(), root);
    EXPECT_EQ(root->navigationController(), navigation.get());
    // The root's view loads with the stack, but appears only when the stack is on screen.
    EXPECT_EQ(takeEvents(), (Events{"root.loadView", "root.viewDidLoad"}));

    window->addSubview(view);
    EXPECT_EQ(takeEvents(), (Events{"root.willAppear(still)", "root.didAppear(still)"}));
    view->removeFromSuperview();
    EXPECT_EQ(takeEvents(), (Events{"root.willDisappear(still)", "root.didDisappear(still)"}));
}

TEST_F(NavigationTest, AnimatedPushSlidesTheNewScreenInAndCallsTheLifecycleInOrder) {
    showStack();
    navigation->pushViewController(about, true);
    EXPECT_EQ(takeEvents(), (Events{"about.loadView", "about.viewDidLoad",
                                    "root.willDisappear(animated)", "about.willAppear(animated)"}));
    EXPECT_EQ(navigation->topViewController(), about);
    EXPECT_EQ(about->navigationController(), navigation.get());
    EXPECT_TRUE(navigation->isTransitioning());

    env.runLoop().runFor(NavigationController::kTransitionDuration / 2);
    const float incoming = about->view()->presentationFrame().x();
    const float outgoing = root->view()->presentationFrame().x();
    EXPECT_GT(incoming, 0);
    EXPECT_LT(incoming, 320);
    EXPECT_LT(outgoing, 0);
    EXPECT_GT(outgoing, -320);
    EXPECT_TRUE(events->empty());

    env.runLoop().runFor(NavigationController::kTransitionDuration / 2);
    EXPECT_EQ(takeEvents(), (Events{"root.didDisappear(animated)", "about.didAppear(animated)"}));
    EXPECT_FALSE(navigation->isTransitioning());
    EXPECT_EQ(about->view()->frame(), Rect(0, 0, 320, 416));
    EXPECT_EQ(root->view()->superview(), nullptr);
}

TEST_F(NavigationTest, PushAndPopWithoutAnimationCallEverythingAtOnce) {
    showStack();
    navigation->pushViewController(about, false);
    EXPECT_EQ(takeEvents(), (Events{"about.loadView", "about.viewDidLoad",
                                    "root.willDisappear(still)", "about.willAppear(still)",
                                    "root.didDisappear(still)", "about.didAppear(still)"}));
    EXPECT_EQ(navigation->popViewControllerAnimated(false), about);
    EXPECT_EQ(takeEvents(), (Events{"about.willDisappear(still)", "root.willAppear(still)",
                                    "about.didDisappear(still)", "root.didAppear(still)"}));
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_EQ(navigation->popViewControllerAnimated(false), nullptr);  // the root stays
}

TEST_F(NavigationTest, AnimatedPopReversesThePushAndLetsThePoppedScreenGo) {
    showStack();
    auto transient = make("transient");
    std::weak_ptr<ViewController> weak = transient;
    navigation->pushViewController(std::move(transient), false);
    events->clear();

    EXPECT_NE(navigation->popViewControllerAnimated(true), nullptr);
    EXPECT_EQ(takeEvents(),
              (Events{"transient.willDisappear(animated)", "root.willAppear(animated)"}));
    EXPECT_EQ(navigation->topViewController(), root);
    env.runLoop().runFor(NavigationController::kTransitionDuration / 2);
    EXPECT_LT(root->view()->presentationFrame().x(), 0);  // comes back from the left
    EXPECT_FALSE(weak.expired());                         // kept for the slide
    env.runLoop().runFor(NavigationController::kTransitionDuration / 2);
    EXPECT_EQ(takeEvents(),
              (Events{"transient.didDisappear(animated)", "root.didAppear(animated)"}));
    EXPECT_TRUE(weak.expired());  // nobody else held it

    // One held elsewhere lives on, and can be pushed again.
    navigation->pushViewController(about, false);
    navigation->popViewControllerAnimated(false);
    EXPECT_EQ(about->navigationController(), nullptr);
    navigation->pushViewController(about, false);
    EXPECT_EQ(navigation->topViewController(), about);
}

TEST_F(NavigationTest, APushDuringASlideWaitsForItsEndAndAPopIsRefused) {
    showStack();
    navigation->pushViewController(about, true);
    const auto third = make("third");
    navigation->pushViewController(third, true);
    navigation->pushViewController(make("fourth"), true);  // one push waits at most
    EXPECT_EQ(navigation->popViewControllerAnimated(true), nullptr);
    EXPECT_EQ(log.size(), 2u);
    EXPECT_EQ(navigation->viewControllers().size(), 2u);

    // The waiting push starts when the slide ends and slides in itself.
    env.runLoop().runFor(NavigationController::kTransitionDuration);
    EXPECT_EQ(navigation->topViewController(), third);
    EXPECT_TRUE(navigation->isTransitioning());
    env.runLoop().runFor(NavigationController::kTransitionDuration);
    EXPECT_FALSE(navigation->isTransitioning());
    EXPECT_TRUE(third->view()->isDescendantOf(*window));

    navigation->pushViewController(about, false);  // already on the stack
    EXPECT_EQ(log.size(), 3u);
    EXPECT_EQ(navigation->popViewControllerAnimated(true), third);
}

// ---- Navigation bar ----

TEST_F(NavigationTest, BackButtonShowsThePreviousTitleAsItIsWhenPushedAndPops) {
    root->setTitle("Sounds");
    showStack();
    const auto bar = navigation->navigationBar();
    EXPECT_EQ(bar->title(), "Sounds");
    EXPECT_EQ(bar->backButtonTitle(), "");

    root->setTitle("back");  // the board renames itself just before it pushes
    about->navigationItem().setTitleView(std::make_shared<View>(Rect(0, 0, 100, 30)));
    navigation->pushViewController(about, true);
    EXPECT_EQ(bar->backButtonTitle(), "back");
    auto* back = dynamic_cast<BarButton*>(bar->leftView().get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->shape(), BarButton::Shape::Back);
    EXPECT_EQ(back->frame().x(), NavigationBar::kMargin);
    EXPECT_EQ(about->navigationItem().titleView()->frame(), Rect(110, 7, 100, 30));

    RecordingPainter painter;
    window->renderTree(painter);
    EXPECT_NE(painter.findText("back"), nullptr);
    EXPECT_EQ(painter.findText("Sounds"), nullptr);

    env.runLoop().runFor(NavigationController::kTransitionDuration);
    TouchDriver::tap(*window, {back->frame().midX(), 20 + back->frame().midY()});
    EXPECT_EQ(navigation->topViewController(), root);
    EXPECT_EQ(bar->leftView(), nullptr);
    EXPECT_EQ(about->navigationItem().titleView()->superview(), nullptr);
    root->setTitle("Sounds");  // as the board does when it is about to appear
    bar->layoutIfNeeded();
    EXPECT_EQ(bar->title(), "Sounds");
}

TEST_F(NavigationTest, BarShowsTheTopItemsButtonsAndFollowsTheirChanges) {
    showStack();
    const auto bar = navigation->navigationBar();
    auto edit = root->editButtonItem();
    root->navigationItem().setLeftBarButtonItem(edit);
    auto right = std::make_shared<BarButtonItem>("About");
    root->navigationItem().setRightBarButtonItem(right);
    bar->layoutIfNeeded();

    auto* left = dynamic_cast<BarButton*>(bar->leftView().get());
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(left->item(), edit);
    EXPECT_EQ(left->shape(), BarButton::Shape::Bordered);
    EXPECT_EQ(bar->rightView()->frame().maxX(), 320 - NavigationBar::kMargin);

    // A longer title widens the button when the bar lays out again, still at the right edge.
    const float narrow = bar->rightView()->frame().width();
    right->setTitle("Information");
    bar->layoutIfNeeded();
    EXPECT_GT(bar->rightView()->frame().width(), narrow);
    EXPECT_EQ(bar->rightView()->frame().maxX(), 320 - NavigationBar::kMargin);
    root->setEditing(true, true);

    RecordingPainter painter;
    window->renderTree(painter);
    EXPECT_NE(painter.findText("Done"), nullptr);
    EXPECT_NE(painter.findText("Information"), nullptr);

    TouchDriver::tap(*window, {left->frame().midX(), 20 + left->frame().midY()});
    EXPECT_FALSE(root->isEditing());
}

TEST_F(NavigationTest, TitleViewImageReplacesTheTitleEachTimeItIsSet) {
    about->setTitle("About");
    showStack();
    navigation->pushViewController(about, false);
    const auto bar = navigation->navigationBar();
    RecordingPainter withTitle;
    window->renderTree(withTitle);
    EXPECT_NE(withTitle.findText("About"), nullptr);

    auto first = std::make_shared<ImageView>(Rect(0, 0, 40, 40));
    about->navigationItem().setTitleView(first);
    auto second = std::make_shared<ImageView>(Rect(0, 0, 60, 20));
    about->navigationItem().setTitleView(second);
    bar->layoutIfNeeded();
    EXPECT_EQ(first->superview(), nullptr);
    EXPECT_EQ(second->superview(), bar.get());
    EXPECT_EQ(second->frame(), Rect(130, 12, 60, 20));
    RecordingPainter withView;
    window->renderTree(withView);
    EXPECT_EQ(withView.findText("About"), nullptr);
}

}  // namespace
}  // namespace platform
