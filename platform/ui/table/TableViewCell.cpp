#include "platform/ui/table/TableViewCell.h"

#include "platform/ui/Label.h"
#include "platform/ui/Painter.h"

namespace platform {
namespace {
constexpr float kSeparatorHeight = 1;
constexpr Color kSeparatorColor = Color::white(0.88f);
constexpr Color kGripColor = Color::white(0.6f);
constexpr Color kSelectionTop = Color::rgb(0.02f, 0.55f, 0.96f);
constexpr Color kSelectionBottom = Color::rgb(0.0f, 0.37f, 0.90f);

// The blue of a selected row: a vertical gradient drawn in bands.
class SelectionBackgroundView final : public View {
public:
    using View::View;

    void draw(Painter& painter) override {
        constexpr int kBands = 11;
        const Rect b = bounds();
        const float band = b.height() / kBands;
        for (int i = 0; i < kBands; ++i) {
            const float t = static_cast<float>(i) / (kBands - 1);
            const Color c =
                Color::rgb(kSelectionTop.red + (kSelectionBottom.red - kSelectionTop.red) * t,
                           kSelectionTop.green + (kSelectionBottom.green - kSelectionTop.green) * t,
                           kSelectionTop.blue + (kSelectionBottom.blue - kSelectionTop.blue) * t);
            // Bands meet edge to edge: an overlap would show as a line while the blue fades.
            const float top = b.y() + band * static_cast<float>(i);
            const float bottom = i + 1 == kBands ? b.maxY() : top + band;
            painter.fillRect({b.x(), top, b.width(), bottom - top}, c);
        }
    }
};

void highlightLabels(View& view, bool highlighted) {
    for (const auto& subview : view.subviews()) {
        if (auto* label = dynamic_cast<Label*>(subview.get())) label->setHighlighted(highlighted);
        highlightLabels(*subview, highlighted);
    }
}

// The grip: three short grey lines centred in the control.
std::shared_ptr<View> makeReorderGrip() {
    auto grip = std::make_shared<View>();
    grip->setUserInteractionEnabled(false);
    for (int i = 0; i < 3; ++i) {
        auto line = std::make_shared<View>(Rect(10, 0, 18, 2));
        line->setBackgroundColor(kGripColor);
        grip->addSubview(std::move(line));
    }
    return grip;
}
}  // namespace

TableViewCell::TableViewCell(const Rect& frame, std::string reuseIdentifier)
    : View(frame.size.width > 0 && frame.size.height > 0
               ? frame
               : Rect(frame.x(), frame.y(), kDefaultWidth, kDefaultHeight)),
      reuseIdentifier_(std::move(reuseIdentifier)),
      selectedBackground_(std::make_shared<SelectionBackgroundView>()),
      contentView_(std::make_shared<View>()),
      reorderControl_(makeReorderGrip()) {
    setBackgroundColor(Color::whiteColor());
    selectedBackground_->setAlpha(0);
    selectedBackground_->setUserInteractionEnabled(false);
    reorderControl_->setAlpha(0);
    addSubview(selectedBackground_);
    addSubview(contentView_);
    addSubview(reorderControl_);
    layoutEditingViews();
}

void TableViewCell::setSelected(bool selected, bool animated) {
    if (selected == selected_) return;
    selected_ = selected;
    updateSelectionAppearance(animated);
}

void TableViewCell::setHighlighted(bool highlighted, bool animated) {
    if (highlighted == highlighted_) return;
    highlighted_ = highlighted;
    updateSelectionAppearance(animated);
}

void TableViewCell::updateSelectionAppearance(bool animated) {
    const bool shown = selected_ || highlighted_;
    highlightLabels(*contentView_, shown);
    // The blue appears at once and fades out when the row lets go of the selection.
    if (animated && !shown) {
        beginAnimations("deselectCell");
        setAnimationDuration(kDeselectDuration);
        setAnimationBeginsFromCurrentState(true);
        selectedBackground_->setAlpha(0);
        commitAnimations();
    } else {
        selectedBackground_->setAlpha(shown ? 1 : 0);
    }
}

void TableViewCell::setEditing(bool editing, bool animated) {
    if (editing == editing_) return;
    editing_ = editing;
    if (animated) {
        beginAnimations("cellEditing");
        setAnimationDuration(kEditingDuration);
        setAnimationBeginsFromCurrentState(true);
        layoutEditingViews();
        commitAnimations();
    } else {
        layoutEditingViews();
    }
    setNeedsDisplay();
}

void TableViewCell::setShowsReorderControl(bool shows) {
    if (shows == showsReorderControl_) return;
    showsReorderControl_ = shows;
    layoutEditingViews();
}

void TableViewCell::setShouldIndentWhileEditing(bool indents) {
    if (indents == shouldIndentWhileEditing_) return;
    shouldIndentWhileEditing_ = indents;
    layoutEditingViews();
}

void TableViewCell::setEditingStyle(TableViewCellEditingStyle style) {
    if (style == editingStyle_) return;
    editingStyle_ = style;
    setNeedsDisplay();
}

Rect TableViewCell::reorderControlRect() const {
    const Rect b = bounds();
    return {b.width() - kReorderControlWidth, 0, kReorderControlWidth, b.height()};
}

void TableViewCell::prepareForReuse() {
    setSelected(false, false);
    setHighlighted(false, false);
}

Rect TableViewCell::contentFrame() const {
    const Rect b = bounds();
    const float indent = editing_ && shouldIndentWhileEditing_ ? kIndentationWidth : 0;
    const float grip = isReorderControlVisible() ? kReorderControlWidth : 0;
    return {indent, 0, std::max(b.width() - indent - grip, 0.0f),
            std::max(b.height() - kSeparatorHeight, 0.0f)};
}

// Sets frames only where they differ, so that layout passes do not cut short a running
// editing animation.
void TableViewCell::layoutEditingViews() {
    const Rect content = contentFrame();
    if (contentView_->frame() != content) contentView_->setFrame(content);
    const Rect background{0, 0, bounds().width(), content.height()};
    if (selectedBackground_->frame() != background) selectedBackground_->setFrame(background);

    const Rect grip = reorderControlRect();
    if (reorderControl_->frame() != grip) reorderControl_->setFrame(grip);
    const auto& lines = reorderControl_->subviews();
    for (size_t i = 0; i < lines.size(); ++i) {
        const Rect line{10, grip.height() / 2 - 5 + 4 * static_cast<float>(i), 18, 2};
        if (lines[i]->frame() != line) lines[i]->setFrame(line);
    }
    const float gripAlpha = isReorderControlVisible() ? 1 : 0;
    if (reorderControl_->alpha() != gripAlpha) reorderControl_->setAlpha(gripAlpha);
}

void TableViewCell::setFrame(const Rect& frame) {
    View::setFrame(frame);
    layoutEditingViews();
}

void TableViewCell::layoutSubviews() { layoutEditingViews(); }

void TableViewCell::draw(Painter& painter) {
    View::draw(painter);
    const Rect b = bounds();
    painter.fillRect({0, b.height() - kSeparatorHeight, b.width(), kSeparatorHeight},
                     kSeparatorColor);
    if (!editing_ || editingStyle_ == TableViewCellEditingStyle::None) return;
    // The editing control: a red disc with a bar to delete, a green one with a cross to insert,
    // in the space the indentation makes.
    const bool insert = editingStyle_ == TableViewCellEditingStyle::Insert;
    const Rect disc{7, b.height() / 2 - 10, 20, 20};
    painter.fillRoundedRect(disc, 10,
                            insert ? Color::rgb(0.2f, 0.7f, 0.2f) : Color::rgb(0.85f, 0.1f, 0.1f));
    painter.fillRect({disc.x() + 4, disc.midY() - 1.5f, 12, 3}, Color::whiteColor());
    if (insert) painter.fillRect({disc.midX() - 1.5f, disc.y() + 4, 3, 12}, Color::whiteColor());
}

}  // namespace platform
