// The control model: windows and controls as plain objects with properties
// and events, free of any window toolkit. A property set from code raises the
// same event as the user's action whenever the value really changes; setting
// it to the value it already has raises nothing. A binding (toolkit/gtk)
// mirrors each control in a real widget and listens through `Observer`.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace toolkit {

class TWinControl;

// What changed on a control, for the binding that mirrors it.
enum class Prop {
    Caption, Text, Enabled, Visible, Checked, Items, ItemIndex, Position, Range,
    ReadOnly, ActivePage, Picture, Bounds, Hint, Style,
    Tabs,      // which of a page control's tabs are shown
    Focus,     // the keyboard's focus is asked for: no state of the model
    Destroyed  // the control is going: its last notice
};

class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject& sender)>;

// Raises an event through the application's dispatcher, so an exception that
// leaves the outermost handler is shown by the default error handler.
void RaiseEvent(const TNotifyEvent& event, TObject& sender);

// How a container arranges its children: in a column, in a row, or at the
// positions (Left, Top) the children give.
enum class Layout { Column, Row, Fixed };
// Where a child sits across its container's direction.
enum class Align { Fill, Start, Center, End };
// Colours the controls use, named by role so the binding can take them from the theme.
enum class Colour { Default, Highlight, HotTrack, Navy };

class TControl : public TObject {
public:
    TControl(TWinControl* parent, std::string name);
    ~TControl() override;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    const std::string& Name() const { return name_; }
    TWinControl* Parent() const { return parent_; }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v) { Set(enabled_, v, Prop::Enabled); }
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { Set(visible_, v, Prop::Visible); }
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string v) { Set(hint_, std::move(v), Prop::Hint); }

    // Position and size in pixels at 96 dpi: a guide for the layout, kept in the model.
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetBounds(int left, int top, int width, int height);
    void SetLeft(int left) { SetBounds(left, top_, width_, height_); }

    // Layout hints: take the free space along the container's direction, and
    // the placement across it.
    bool Expand = false;
    Align CrossAlign = Align::Fill;
    bool TabStop = true;

    // Text style hints.
    bool Bold = false;
    bool Underline = false;
    Colour FontColour = Colour::Default;
    bool HandCursor = false;

    TNotifyEvent OnClick;
    // Raises OnClick, as a click by the user does.
    virtual void Click();
    // Gives the control the keyboard's focus, where it is shown.
    void SetFocus() { Changed(Prop::Focus); }

    // The binding's listener; one at most.
    std::function<void(Prop)> Observer;

protected:
    void Changed(Prop p) {
        if (Observer) Observer(p);
    }
    template <class T>
    bool Set(T& field, T value, Prop p) {
        if (field == value) return false;
        field = std::move(value);
        Changed(p);
        return true;
    }

private:
    TWinControl* parent_;
    std::string name_;
    bool enabled_ = true;
    bool visible_ = true;
    std::string hint_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

// A control that holds others, in creation order, and owns them.
class TWinControl : public TControl {
public:
    using TControl::TControl;

    template <class T, class... Args>
    T* Add(std::string name, Args&&... args) {
        auto child = std::make_unique<T>(this, std::move(name), std::forward<Args>(args)...);
        T* raw = child.get();
        children_.push_back(std::move(child));
        return raw;
    }
    const std::vector<std::unique_ptr<TControl>>& Children() const { return children_; }
    // The control of that name in this subtree, or null.
    TControl* Find(const std::string& name) const;

    Layout Arrange = Layout::Column;
    int Spacing = 6;
    int Padding = 0;

private:
    std::vector<std::unique_ptr<TControl>> children_;
};

// A control with a caption: labels, buttons, check boxes (on TControl),
// group boxes, tab sheets and forms (on TWinControl).
template <class Base>
class WithCaption : public Base {
public:
    WithCaption(TWinControl* parent, std::string name, std::string caption = "")
        : Base(parent, std::move(name)), caption_(std::move(caption)) {}
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string v) { this->Set(caption_, std::move(v), Prop::Caption); }

private:
    std::string caption_;
};
using TCaptioned = WithCaption<TControl>;

// A text label; with IsLink it is a clickable link label.
class TLabel : public TCaptioned {
public:
    using TCaptioned::TCaptioned;
    bool IsLink = false;
    bool WordWrap = false;
};

// A push button, or (Flat) a speed button showing a picture, its caption
// below or beside it.
class TButton : public TCaptioned {
public:
    using TCaptioned::TCaptioned;
    const std::string& Picture() const { return picture_; }
    void SetPicture(std::string id) { Set(picture_, std::move(id), Prop::Picture); }
    bool Flat = false;
    bool PictureAbove = true;

private:
    std::string picture_;
};
using TSpeedButton = TButton;

// Single-line text entry.
class TEdit : public TControl {
public:
    using TControl::TControl;
    const std::string& Text() const { return text_; }
    void SetText(std::string v);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v) { Set(readOnly_, v, Prop::ReadOnly); }
    bool Border = true;
    std::size_t MaxLength = 0;  // 0: no limit
    TNotifyEvent OnChange;

private:
    std::string text_;
    bool readOnly_ = false;
};

// Multi-line text; lines are separated by CR LF.
class TMemo : public TEdit {
public:
    using TEdit::TEdit;
    std::vector<std::string> Lines() const;
    // Adds a line: the text becomes text + line + CR LF.
    void AddLine(const std::string& line) { SetText(Text() + line + "\r\n"); }
    void Clear() { SetText(""); }
    bool VerticalScrollBar = true;
    bool WordWrap = true;
    bool Centered = false;
    bool WantReturns = true;
};

class TCheckBox : public TCaptioned {
public:
    using TCaptioned::TCaptioned;
    bool Checked() const { return checked_; }
    // A change of state raises OnClick, as the user's click does.
    void SetChecked(bool v);
    void Click() override { SetChecked(!checked_); }

private:
    bool checked_ = false;
};

// A radio button: checking one unchecks the other radio buttons of its parent.
class TRadioButton : public TCaptioned {
public:
    using TCaptioned::TCaptioned;
    bool Checked() const { return checked_; }
    void SetChecked(bool v);
    void Click() override { SetChecked(true); }

private:
    bool checked_ = false;
};

// Common part of the list box and the combo box: items and a selection.
class TItemList : public TControl {
public:
    using TControl::TControl;
    const std::vector<std::string>& Items() const { return items_; }
    void AddItem(std::string item);
    // Empties the items; the selection goes with them (no event).
    void ClearItems();
    int ItemIndex() const { return itemIndex_; }

protected:
    std::vector<std::string> items_;
    int itemIndex_ = -1;
};

// A list box; selecting an entry raises OnClick.
class TListBox : public TItemList {
public:
    using TItemList::TItemList;
    void SetItemIndex(int index);
};

// A combo box with an editable text part; choosing an entry or typing
// changes Text and raises OnChange.
class TComboBox : public TItemList {
public:
    using TItemList::TItemList;
    const std::string& Text() const { return text_; }
    void SetText(std::string v);
    void SetItemIndex(int index);
    // Empties the entries and the text.
    void Clear();
    bool DropDownWhileTyping = false;
    TNotifyEvent OnChange;

private:
    std::string text_;
};

class TGroupBox : public WithCaption<TWinControl> {
public:
    using WithCaption::WithCaption;
};

// A plain container.
class TPanel : public TWinControl {
public:
    using TWinControl::TWinControl;
};

class TImage : public TControl {
public:
    TImage(TWinControl* parent, std::string name, std::string picture = "")
        : TControl(parent, std::move(name)), picture_(std::move(picture)) {}
    const std::string& Picture() const { return picture_; }
    void SetPicture(std::string id) { Set(picture_, std::move(id), Prop::Picture); }

private:
    std::string picture_;
};

// A horizontal rule.
class TBevel : public TControl {
public:
    using TControl::TControl;
};

class TProgressBar : public TControl {
public:
    using TControl::TControl;
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    void SetMax(int v);
    // Positions outside the range are held at its ends.
    void SetPosition(int v);

private:
    int min_ = 0, max_ = 100, position_ = 0;
};

// An item of a tree: its index among its parent's children at each level,
// from the top down. The empty path is the tree itself.
using TreePath = std::vector<int>;

// What a tree view shows. It is asked only for the items on screen, so a
// long tree costs nothing until its branches are opened.
class TTreeItems {
public:
    virtual ~TTreeItems() = default;
    // How many children the item has.
    virtual std::size_t Count(const TreePath& item) const = 0;
    virtual std::string Title(const TreePath& item) const = 0;
};

// A tree of items the user opens, moves through and activates (a click or
// Enter). Selecting from code opens the branches down to the item and
// scrolls it into view; a change of selection raises OnChange, activating
// raises OnClick.
class TTreeView : public TControl {
public:
    using TControl::TControl;
    const std::shared_ptr<const TTreeItems>& Items() const { return items_; }
    // New items; the selection goes with the old ones (no event).
    void SetItems(std::shared_ptr<const TTreeItems> items);
    const TreePath& Selected() const { return selected_; }
    void SetSelected(TreePath item);
    // Selects the item and raises OnClick, as the user's click does.
    void Activate(TreePath item);
    // What a screen reader calls the tree.
    std::string AccessibleName;
    TNotifyEvent OnChange;

private:
    std::shared_ptr<const TTreeItems> items_;
    TreePath selected_;
};

// Two panes side by side with a divider the user drags: the first child on
// the left, Position pixels wide, the second taking the rest. While the
// first is hidden the second has the whole width and no divider shows.
class TSplitter : public TWinControl {
public:
    using TWinControl::TWinControl;
    int Position() const { return position_; }
    void SetPosition(int v) { Set(position_, std::max(v, 0), Prop::Position); }

private:
    int position_ = 0;
};

// A page of a page control; its tab may be hidden, from the start or later.
class TTabSheet : public WithCaption<TWinControl> {
public:
    using WithCaption::WithCaption;
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool v);

private:
    bool tabVisible_ = true;
};

// Pages with tabs; a tab click or code selects the active page.
class TPageControl : public TWinControl {
public:
    using TWinControl::TWinControl;
    std::vector<TTabSheet*> Pages() const;
    int ActivePageIndex() const { return active_; }
    TTabSheet* ActivePage() const;
    void SetActivePageIndex(int index);
    void SetActivePage(TTabSheet* page);
    // Selects the next (or previous) page with a visible tab, wrapping round.
    void SelectNextPage(bool forward);
    // A page's tab was shown or hidden.
    void TabsChanged() { Changed(Prop::Tabs); }
    TNotifyEvent OnChange;

private:
    int active_ = 0;
};

}  // namespace toolkit
