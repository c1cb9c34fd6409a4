// The control model's behaviour: property changes and the events they raise.
#include "Controls.h"

#include "Forms.h"

namespace toolkit {

void RaiseEvent(const TNotifyEvent& event, TObject& sender) {
    if (event) Application().Dispatch([&] { event(sender); });
}

TControl::TControl(TWinControl* parent, std::string name) : parent_(parent), name_(std::move(name)) {}
TControl::~TControl() { Changed(Prop::Destroyed); }

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    left_ = left, top_ = top, width_ = width, height_ = height;
    Changed(Prop::Bounds);
}

void TControl::Click() { RaiseEvent(OnClick, *this); }

TControl* TWinControl::Find(const std::string& name) const {
    for (const auto& child : children_) {
        if (child->Name() == name) return child.get();
        if (auto* container = dynamic_cast<TWinControl*>(child.get()))
            if (TControl* found = container->Find(name)) return found;
    }
    return nullptr;
}

void TEdit::SetText(std::string v) {
    if (MaxLength && v.size() > MaxLength) v.resize(MaxLength);
    if (Set(text_, std::move(v), Prop::Text)) RaiseEvent(OnChange, *this);
}

std::vector<std::string> TMemo::Lines() const {
    std::vector<std::string> lines;
    const std::string& t = Text();
    std::size_t start = 0;
    while (start < t.size()) {
        std::size_t end = t.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(t.substr(start));
            break;
        }
        lines.push_back(t.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

void TCheckBox::SetChecked(bool v) {
    if (Set(checked_, v, Prop::Checked)) RaiseEvent(OnClick, *this);
}

void TRadioButton::SetChecked(bool v) {
    if (!Set(checked_, v, Prop::Checked)) return;
    if (v && Parent()) {
        for (const auto& sibling : Parent()->Children())
            if (auto* radio = dynamic_cast<TRadioButton*>(sibling.get()); radio && radio != this)
                radio->SetChecked(false);
    }
    if (v) RaiseEvent(OnClick, *this);
}

void TItemList::AddItem(std::string item) {
    items_.push_back(std::move(item));
    Changed(Prop::Items);
}

void TItemList::ClearItems() {
    if (items_.empty() && itemIndex_ == -1) return;
    items_.clear();
    itemIndex_ = -1;
    Changed(Prop::Items);
}

void TListBox::SetItemIndex(int index) {
    if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
    if (Set(itemIndex_, index, Prop::ItemIndex)) RaiseEvent(OnClick, *this);
}

void TComboBox::SetText(std::string v) {
    if (Set(text_, std::move(v), Prop::Text)) RaiseEvent(OnChange, *this);
}

void TComboBox::SetItemIndex(int index) {
    if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
    Set(itemIndex_, index, Prop::ItemIndex);
    if (index >= 0) SetText(items_[static_cast<std::size_t>(index)]);
}

void TComboBox::Clear() {
    ClearItems();
    SetText("");
}

void TProgressBar::SetMax(int v) {
    if (v < min_) v = min_;
    if (Set(max_, v, Prop::Range) && position_ > max_) SetPosition(max_);
}

void TProgressBar::SetPosition(int v) {
    if (v < min_) v = min_;
    if (v > max_) v = max_;
    Set(position_, v, Prop::Position);
}

void TTreeView::SetItems(std::shared_ptr<const TTreeItems> items) {
    items_ = std::move(items);
    selected_.clear();
    Changed(Prop::Items);
}

void TTreeView::SetSelected(TreePath item) {
    if (Set(selected_, std::move(item), Prop::ItemIndex)) RaiseEvent(OnChange, *this);
}

void TTreeView::Activate(TreePath item) {
    SetSelected(std::move(item));
    Click();
}

std::vector<TTabSheet*> TPageControl::Pages() const {
    std::vector<TTabSheet*> pages;
    for (const auto& child : Children())
        if (auto* page = dynamic_cast<TTabSheet*>(child.get())) pages.push_back(page);
    return pages;
}

TTabSheet* TPageControl::ActivePage() const {
    auto pages = Pages();
    return active_ >= 0 && active_ < static_cast<int>(pages.size()) ? pages[static_cast<std::size_t>(active_)] : nullptr;
}

void TPageControl::SetActivePageIndex(int index) {
    if (index < 0 || index >= static_cast<int>(Pages().size())) return;
    if (Set(active_, index, Prop::ActivePage)) RaiseEvent(OnChange, *this);
}

void TPageControl::SetActivePage(TTabSheet* page) {
    auto pages = Pages();
    for (std::size_t i = 0; i < pages.size(); ++i)
        if (pages[i] == page) SetActivePageIndex(static_cast<int>(i));
}

void TTabSheet::SetTabVisible(bool v) {
    if (tabVisible_ == v) return;
    tabVisible_ = v;
    if (auto* pages = dynamic_cast<TPageControl*>(Parent())) pages->TabsChanged();
}

void TPageControl::SelectNextPage(bool forward) {
    auto pages = Pages();
    const int n = static_cast<int>(pages.size());
    for (int step = 1; step <= n; ++step) {
        int i = ((active_ + (forward ? step : -step)) % n + n) % n;
        if (pages[static_cast<std::size_t>(i)]->TabVisible()) {
            SetActivePageIndex(i);
            return;
        }
    }
}

}  // namespace toolkit
