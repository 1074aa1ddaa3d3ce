#pragma once

#include "platform/ui/Control.h"

#include <string>
#include <vector>

namespace platform {

// A row of equally wide segments with titles, at most one of them selected and highlighted.
// A tap on a segment selects it and sends ValueChanged when the selection changed. Setting the
// selection from code sends nothing; an index outside the segments is kept but shows no
// segment selected.
class SegmentedControl : public Control {
public:
    static constexpr int kNoSegment = -1;

    explicit SegmentedControl(std::vector<std::string> titles = {}, const Rect& frame = kRectZero);

    int numberOfSegments() const { return static_cast<int>(titles_.size()); }
    // Empty for an index outside the segments.
    std::string titleForSegmentAtIndex(int index) const;
    void setTitleForSegmentAtIndex(std::string title, int index);
    // Inserts before `index`, clamped to the segments; the selection stays on its segment.
    void insertSegmentWithTitle(std::string title, int index);

    int selectedSegmentIndex() const { return selectedSegmentIndex_; }
    void setSelectedSegmentIndex(int index);

    Rect rectForSegmentAtIndex(int index) const;
    // kNoSegment when `point` (in the bounds) is on none.
    int segmentAtPoint(Point point) const;

    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void draw(Painter& painter) override;

private:
    bool isValidSegment(int index) const { return index >= 0 && index < numberOfSegments(); }

    std::vector<std::string> titles_;
    int selectedSegmentIndex_ = kNoSegment;
    int touchedSegment_ = kNoSegment;
};

}  // namespace platform
