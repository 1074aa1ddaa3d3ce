#include "platform/ui/AlertView.h"

#include "platform/foundation/Log.h"
#include "platform/ui/Application.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Window.h"
#include "platform/foundation/Services.h"

#include <algorithm>

namespace platform {
namespace {
constexpr float kBoxWidth = 284;
constexpr float kBoxRadius = 10;
constexpr float kPadding = 16;
constexpr float kGap = 8;
constexpr float kTitleHeight = 24;
constexpr float kLineHeight = 20;
constexpr float kButtonHeight = 43;
constexpr float kButtonSpacing = 10;
constexpr size_t kMaxMessageLines = 6;
constexpr Color kDimming = Color::white(0, 0.45f);
constexpr Color kBoxEdge = Color::white(1, 0.85f);
constexpr Color kBoxFace = Color::rgb(0.06f, 0.13f, 0.32f, 0.94f);
constexpr Color kButton = Color::rgb(0.42f, 0.48f, 0.62f);
constexpr Color kCancelButton = Color::rgb(0.3f, 0.35f, 0.48f);

Font titleFont() { return Font::boldSystemFont(18); }
Font messageFont() { return Font::systemFont(16); }

// Until a painter has measured the text: about half an em per character.
float estimatedWidth(const std::string& text) {
    const auto characters =
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; });
    return 0.55f * messageFont().size * static_cast<float>(characters);
}

std::vector<std::string> splitWords(const std::string& paragraph) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start < paragraph.size()) {
        const size_t end = std::min(paragraph.find(' ', start), paragraph.size());
        if (end > start) words.push_back(paragraph.substr(start, end - start));
        start = end + 1;
    }
    return words;
}
}  // namespace

AlertView::AlertView(std::string title, std::string message,
                     std::weak_ptr<AlertViewDelegate> delegate, std::string cancelButtonTitle,
                     std::vector<std::string> otherButtonTitles)
    : title_(std::move(title)),
      message_(std::move(message)),
      delegate_(std::move(delegate)),
      hasCancelButton_(!cancelButtonTitle.empty()) {
    setBackgroundColor(kDimming);
    setAutoresizingMask(kAutoresizingFlexibleWidth | kAutoresizingFlexibleHeight);
    if (hasCancelButton_) buttonTitles_.push_back(std::move(cancelButtonTitle));
    for (auto& other : otherButtonTitles) buttonTitles_.push_back(std::move(other));

    for (size_t i = 0; i < buttonTitles_.size(); ++i) {
        auto button = Button::buttonWithType(ButtonType::Custom);
        button->setTitle(buttonTitles_[i], kControlStateNormal);
        button->setTitleColor(Color::whiteColor(), kControlStateNormal);
        const bool cancel = hasCancelButton_ && i == 0;
        button->setBackgroundColor(cancel ? kCancelButton : kButton);
        button->setCornerRadius(6);
        const int index = static_cast<int>(i);
        // The sender's superview is the alert for as long as both exist.
        button->addAction(
            [index](Control& sender) {
                if (auto* alert = dynamic_cast<AlertView*>(sender.superview()))
                    alert->clickButtonAtIndex(index);
            },
            kControlEventTouchUpInside);
        addSubview(button);
        buttons_.push_back(std::move(button));
    }
    messageLines_ = wrapMessage(kBoxWidth - 2 * kPadding, estimatedWidth);
}

std::string AlertView::buttonTitleAtIndex(int index) const {
    if (index < 0 || index >= numberOfButtons()) return {};
    return buttonTitles_[static_cast<size_t>(index)];
}

std::shared_ptr<Button> AlertView::buttonAtIndex(int index) const {
    if (index < 0 || index >= numberOfButtons()) return nullptr;
    return buttons_[static_cast<size_t>(index)];
}

void AlertView::show() {
    if (visible_) return;
    Window* window = services().application->keyWindow();
    if (!window) {
        Log::print("AlertView: no key window to show \"%s\" on", title_.c_str());
        return;
    }
    const auto self = weak_from_this().lock();
    if (!self) {
        Log::print("AlertView: \"%s\" is not owned by a shared_ptr and cannot be shown",
                   title_.c_str());
        return;
    }
    visible_ = true;
    setUserInteractionEnabled(true);
    setFrame(window->bounds());
    setAlpha(0);
    window->addSubview(self);
    beginAnimations("alertShow");
    setAlpha(1);
    commitAnimations();
}

void AlertView::clickButtonAtIndex(int index) {
    if (!visible_) return;
    const auto self = weak_from_this().lock();  // the delegate may drop its last reference
    if (auto delegate = delegate_.lock()) delegate->alertViewClickedButtonAtIndex(*this, index);
    dismissWithClickedButtonIndex(index, true);
}

void AlertView::dismissWithClickedButtonIndex(int /*index*/, bool animated) {
    if (!visible_) return;
    visible_ = false;
    setUserInteractionEnabled(false);
    const auto self = std::static_pointer_cast<AlertView>(weak_from_this().lock());
    if (!animated || !self) {
        removeFromSuperview();
        return;
    }
    beginAnimations("alertDismiss");
    setAlpha(0);
    setAnimationCompletion([self] {
        if (!self->visible_) self->removeFromSuperview();  // unless shown again meanwhile
    });
    commitAnimations();
}

std::vector<std::string> AlertView::wrapMessage(float width, const Measure& measure) const {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= message_.size()) {
        const size_t end = std::min(message_.find('\n', start), message_.size());
        std::string line;
        for (const auto& word : splitWords(message_.substr(start, end - start))) {
            std::string candidate = line.empty() ? word : line + " " + word;
            if (line.empty() || measure(candidate) <= width) {
                line = std::move(candidate);
            } else {
                lines.push_back(std::move(line));
                line = word;
            }
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    if (lines.size() == 1 && lines.front().empty()) lines.clear();
    if (lines.size() > kMaxMessageLines) {
        lines.resize(kMaxMessageLines);
        lines.back() += "\u2026";
    }
    return lines;
}

float AlertView::boxHeight() const {
    float height = 2 * kPadding;
    if (!title_.empty()) height += kTitleHeight + kGap;
    if (!messageLines_.empty()) height += kLineHeight * static_cast<float>(messageLines_.size());
    const size_t buttons = buttons_.size();
    if (buttons > 0) {
        const size_t rows = buttons <= 2 ? 1 : buttons;
        height += 2 * kGap + kButtonHeight * static_cast<float>(rows) +
                  kGap * static_cast<float>(rows - 1);
    }
    return height;
}

Rect AlertView::boxRect() const {
    const Rect b = bounds();
    const float height = boxHeight();
    return {b.midX() - kBoxWidth / 2, b.midY() - height / 2, kBoxWidth, height};
}

void AlertView::layoutSubviews() {
    const Rect box = boxRect();
    const size_t count = buttons_.size();
    const float left = box.x() + kPadding;
    const float width = box.width() - 2 * kPadding;
    if (count <= 2) {
        const float y = box.maxY() - kPadding - kButtonHeight;
        const float buttonWidth = count == 2 ? (width - kButtonSpacing) / 2 : width;
        for (size_t i = 0; i < count; ++i)
            buttons_[i]->setFrame({left + static_cast<float>(i) * (buttonWidth + kButtonSpacing), y,
                                   buttonWidth, kButtonHeight});
        return;
    }
    // Stacked, the cancel button last.
    std::vector<size_t> order;
    for (size_t i = hasCancelButton_ ? 1 : 0; i < count; ++i) order.push_back(i);
    if (hasCancelButton_) order.push_back(0);
    float y = box.maxY() - kPadding - kButtonHeight * static_cast<float>(count) -
              kGap * static_cast<float>(count - 1);
    for (size_t index : order) {
        buttons_[index]->setFrame({left, y, width, kButtonHeight});
        y += kButtonHeight + kGap;
    }
}

void AlertView::draw(Painter& painter) {
    View::draw(painter);
    const auto measured = wrapMessage(kBoxWidth - 2 * kPadding, [&](const std::string& text) {
        return painter.measureText(text, messageFont()).width;
    });
    if (measured != messageLines_) {
        // The box changes height; the buttons move before they are drawn below.
        messageLines_ = measured;
        layoutSubviews();
    }
    const Rect box = boxRect();
    painter.fillRoundedRect(box, kBoxRadius, kBoxEdge);
    painter.fillRoundedRect(box.insetBy(2, 2), kBoxRadius - 2, kBoxFace);
    const float textLeft = box.x() + kPadding;
    const float textWidth = box.width() - 2 * kPadding;
    float y = box.y() + kPadding;
    if (!title_.empty()) {
        painter.drawText(title_, titleFont(), Color::whiteColor(),
                         {textLeft, y, textWidth, kTitleHeight}, TextAlignment::Center);
        y += kTitleHeight + kGap;
    }
    for (const auto& line : messageLines_) {
        painter.drawText(line, messageFont(), Color::whiteColor(),
                         {textLeft, y, textWidth, kLineHeight}, TextAlignment::Center);
        y += kLineHeight;
    }
}

}  // namespace platform
