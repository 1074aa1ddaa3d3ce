#include "platform/a11y/AccessibleTreeBuilder.h"

#include <gtest/gtest.h>

#include "platform/ui/AlertView.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Window.h"
#include "tests/support/UiTestEnvironment.h"

namespace platform::a11y {
namespace {

struct AccessibleTreeBuilderTest : testing::Test {
    UiTestEnvironment env;
    std::shared_ptr<Window> window = env.makeKeyWindow();
    AccessibleTreeBuilder builder;

    std::shared_ptr<const AccessibleSnapshot> build() {
        return builder.build(*window, "Soundboard", true, false, {});
    }
    static const AccessibleNode* named(const AccessibleSnapshot& snapshot, Role role,
                                       const std::string& name) {
        for (const auto& node : snapshot.nodes)
            if (node.role == role && node.name == name) return &node;
        return nullptr;
    }
};

TEST_F(AccessibleTreeBuilderTest, AShownAlertIsAnAlertWhoseButtonHasTheFocus) {
    auto alert = std::make_shared<AlertView>("Mute", "No sounds will be heard",
                                             std::weak_ptr<AlertViewDelegate>{}, "OK");
    alert->show();
    const auto snapshot = build();
    const auto* shown = named(*snapshot, Role::Alert, "Mute");
    const auto* button = named(*snapshot, Role::PushButton, "OK");
    ASSERT_NE(shown, nullptr);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->parent, shown->id);
    EXPECT_EQ(snapshot->focus, button->id);
}

TEST_F(AccessibleTreeBuilderTest, TheActionOfAnAlertsButtonDismissesTheAlert) {
    auto alert = std::make_shared<AlertView>("Mute", "No sounds will be heard",
                                             std::weak_ptr<AlertViewDelegate>{}, "OK");
    alert->show();
    const auto snapshot = build();
    builder.doAction(named(*snapshot, Role::PushButton, "OK")->id, 0);
    EXPECT_EQ(UiTestEnvironment::visibleAlert(*window), nullptr);
}

TEST_F(AccessibleTreeBuilderTest, ASwitchsActionFlipsItAsATapDoes) {
    auto loop = std::make_shared<Switch>(Rect(10, 10, 0, 0));
    loop->setAccessibilityLabel("Loop");
    int changes = 0;
    loop->addAction([&changes](Control&) { ++changes; }, kControlEventValueChanged);
    window->addSubview(loop);
    const auto snapshot = build();
    const auto* toggle = named(*snapshot, Role::ToggleButton, "Loop");
    ASSERT_NE(toggle, nullptr);
    builder.doAction(toggle->id, 0);
    EXPECT_TRUE(loop->isOn());
    EXPECT_EQ(changes, 1);
    EXPECT_NE(named(*build(), Role::ToggleButton, "Loop")->states & kStateChecked, 0u);
}

}  // namespace
}  // namespace platform::a11y
