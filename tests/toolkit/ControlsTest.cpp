// The control model without a display: events on real changes only, radio
// groups, pages, progress, memo lines, combo and list selections.
#include "Controls.h"
#include "Forms.h"

#include <gtest/gtest.h>

using namespace toolkit;

namespace {

// Counts how often an event was raised.
struct Counter {
    int count = 0;
    TNotifyEvent Event() {
        return [this](TObject&) { ++count; };
    }
};

class ModelTest : public ::testing::Test {
protected:
    TForm form{nullptr, "Form"};
    Counter counter;
};

TEST_F(ModelTest, SetterEventsFireOnceOnRealChangesOnly) {
    auto* check = form.Add<TCheckBox>("Check");
    auto* edit = form.Add<TEdit>("Edit");
    auto* list = form.Add<TListBox>("List");
    check->OnClick = edit->OnChange = list->OnClick = counter.Event();
    list->AddItem("a");
    list->AddItem("b");

    check->SetChecked(true);
    check->SetChecked(true);
    edit->SetText("x");
    edit->SetText("x");
    list->SetItemIndex(1);
    list->SetItemIndex(1);
    EXPECT_EQ(counter.count, 3);

    check->Click();  // a click toggles, as the user's does
    EXPECT_FALSE(check->Checked());
    EXPECT_EQ(counter.count, 4);
}

TEST_F(ModelTest, ObserverHearsEveryRealChangeAndTheEnd) {
    std::vector<Prop> heard;
    {
        TLabel label(&form, "Label", "a");
        label.Observer = [&](Prop p) { heard.push_back(p); };
        label.SetCaption("a");
        label.SetCaption("b");
        label.SetVisible(false);
        label.SetBounds(1, 2, 3, 4);
        label.SetBounds(1, 2, 3, 4);
    }
    EXPECT_EQ(heard, (std::vector<Prop>{Prop::Caption, Prop::Visible, Prop::Bounds, Prop::Destroyed}));
}

TEST_F(ModelTest, EditCutsTextAtMaxLength) {
    auto* edit = form.Add<TEdit>("Edit");
    edit->MaxLength = 3;
    edit->SetText("abcdef");
    EXPECT_EQ(edit->Text(), "abc");
}

TEST_F(ModelTest, RadioButtonsOfOneParentExcludeEachOther) {
    auto* group = form.Add<TGroupBox>("Group");
    auto* a = group->Add<TRadioButton>("A");
    auto* b = group->Add<TRadioButton>("B");
    auto* elsewhere = form.Add<TRadioButton>("C");
    a->OnClick = b->OnClick = counter.Event();
    elsewhere->SetChecked(true);
    a->SetChecked(true);
    b->Click();
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());
    EXPECT_TRUE(elsewhere->Checked());
    EXPECT_EQ(counter.count, 2);  // unchecking raises nothing
    b->Click();
    EXPECT_EQ(counter.count, 2);
}

TEST_F(ModelTest, PageNavigationWrapsAndSkipsHiddenTabs) {
    auto* pages = form.Add<TPageControl>("Pages");
    auto* p0 = pages->Add<TTabSheet>("P0");
    pages->Add<TTabSheet>("P1")->SetTabVisible(false);
    auto* p2 = pages->Add<TTabSheet>("P2");
    pages->OnChange = counter.Event();

    pages->SelectNextPage(true);
    EXPECT_EQ(pages->ActivePage(), p2);
    pages->SelectNextPage(true);
    EXPECT_EQ(pages->ActivePage(), p0);
    pages->SelectNextPage(false);
    EXPECT_EQ(pages->ActivePage(), p2);
    EXPECT_EQ(counter.count, 3);

    pages->SetActivePageIndex(7);  // no such page: nothing changes
    pages->SetActivePage(p2);
    EXPECT_EQ(pages->ActivePageIndex(), 2);
    EXPECT_EQ(counter.count, 3);
}

TEST_F(ModelTest, ProgressPositionIsHeldInsideTheRange) {
    auto* bar = form.Add<TProgressBar>("Bar");
    bar->SetPosition(150);
    EXPECT_EQ(bar->Position(), 100);
    bar->SetPosition(-5);
    EXPECT_EQ(bar->Position(), 0);
    bar->SetPosition(80);
    bar->SetMax(50);
    EXPECT_EQ(bar->Position(), 50);
    bar->SetMax(-10);
    EXPECT_EQ(bar->Max(), 0);
}

TEST_F(ModelTest, MemoLinesAreSeparatedByCrLf) {
    auto* memo = form.Add<TMemo>("Memo");
    memo->AddLine("one");
    memo->AddLine("");
    memo->AddLine("three");
    EXPECT_EQ(memo->Text(), "one\r\n\r\nthree\r\n");
    EXPECT_EQ(memo->Lines(), (std::vector<std::string>{"one", "", "three"}));
    memo->SetText("a\r\nb");
    EXPECT_EQ(memo->Lines(), (std::vector<std::string>{"a", "b"}));
    memo->Clear();
    EXPECT_TRUE(memo->Lines().empty());
}

TEST_F(ModelTest, ComboSelectionSetsTextWithOneChange) {
    auto* combo = form.Add<TComboBox>("Combo");
    combo->AddItem("index.html");
    combo->AddItem("start.htm");
    combo->OnChange = counter.Event();
    combo->SetItemIndex(1);
    EXPECT_EQ(combo->Text(), "start.htm");
    EXPECT_EQ(counter.count, 1);
    combo->SetItemIndex(5);
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), "start.htm");
    combo->Clear();
    EXPECT_TRUE(combo->Items().empty());
    EXPECT_EQ(combo->Text(), "");
    EXPECT_EQ(counter.count, 2);
}

TEST_F(ModelTest, ClearingItemsDropsTheSelectionSilently) {
    auto* list = form.Add<TListBox>("List");
    list->AddItem("a");
    list->SetItemIndex(0);
    list->OnClick = counter.Event();
    list->ClearItems();
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_EQ(counter.count, 0);
    list->SetItemIndex(0);  // no items: no selection
    EXPECT_EQ(list->ItemIndex(), -1);
}

TEST_F(ModelTest, FindSearchesTheWholeTree) {
    auto* pages = form.Add<TPageControl>("Pages");
    auto* deep = pages->Add<TTabSheet>("Sheet")->Add<TGroupBox>("Group")->Add<TEdit>("vpass");
    EXPECT_EQ(form.Find("vpass"), deep);
    EXPECT_EQ(form.Find("missing"), nullptr);
}

}  // namespace
