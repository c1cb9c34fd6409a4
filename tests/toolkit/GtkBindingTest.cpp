// The GTK binding under a virtual display: user actions reach the model once,
// model changes reach the widgets without coming back, windows follow forms.
#include "Forms.h"
#include "GtkBinding.h"
#include "GtkDialogs.h"
#include "GtkText.h"
#include "KeyPress.h"
#include "Pictures.h"

#include <gtest/gtest.h>

#include <memory>

using namespace toolkit;

namespace {

class GtkEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static char name[] = "test_toolkit_gtk";
        static char* args[] = {name, nullptr};
        int argc = 1;
        char** argv = args;
        ASSERT_TRUE(gtk::Initialize(argc, argv)) << "no display: run under xvfb-run";
    }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GtkEnvironment);

struct Counter {
    int count = 0;
    TNotifyEvent Event() {
        return [this](TObject&) { ++count; };
    }
};

class BindingTest : public ::testing::Test {
protected:
    void Show() {
        form->Show();
        Application().ProcessMessages();
    }
    template <class T>
    T* WidgetAs(const TControl& c) {
        GtkWidget* widget = gtk::WidgetOf(c);
        EXPECT_NE(widget, nullptr) << c.Name();
        return reinterpret_cast<T*>(widget);
    }
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr, "Form", "Zorbin eBook Compiler - v1.0");
    Counter counter;
};

TEST_F(BindingTest, ClickingACheckBoxRaisesOnClickOnceAndSetsChecked) {
    auto* check = form->Add<TCheckBox>("vShowStart", "Show Start Message");
    check->OnClick = counter.Event();
    Show();
    auto* toggle = WidgetAs<GtkToggleButton>(*check);

    gtk_button_clicked(GTK_BUTTON(toggle));
    EXPECT_TRUE(check->Checked());
    EXPECT_EQ(counter.count, 1);
    gtk_toggle_button_set_active(toggle, FALSE);
    EXPECT_FALSE(check->Checked());
    EXPECT_EQ(counter.count, 2);
}

TEST_F(BindingTest, ModelChangesShowWithoutASecondEvent) {
    auto* check = form->Add<TCheckBox>("Check");
    auto* edit = form->Add<TEdit>("Edit");
    auto* label = form->Add<TLabel>("Label", "Idle");
    auto* pages = form->Add<TPageControl>("Pages");
    for (const char* name : {"About", "General info", "Project Files"}) pages->Add<TTabSheet>(name, name);
    check->OnClick = edit->OnChange = pages->OnChange = counter.Event();
    Show();

    check->SetChecked(true);
    edit->SetText("My eBook");
    label->SetVisible(false);
    label->SetCaption("Done");
    pages->SetActivePageIndex(2);
    Application().ProcessMessages();

    EXPECT_EQ(counter.count, 3);
    EXPECT_TRUE(gtk_toggle_button_get_active(WidgetAs<GtkToggleButton>(*check)));
    EXPECT_STREQ(gtk_entry_get_text(WidgetAs<GtkEntry>(*edit)), "My eBook");
    EXPECT_STREQ(gtk_label_get_text(WidgetAs<GtkLabel>(*label)), "Done");
    EXPECT_FALSE(gtk_widget_get_visible(gtk_widget_get_parent(gtk::WidgetOf(*label))));
    EXPECT_EQ(gtk_notebook_get_current_page(WidgetAs<GtkNotebook>(*pages)), 2);
    EXPECT_EQ(pages->ActivePageIndex(), 2);
}

TEST_F(BindingTest, TypingReachesTheModelOnceAndAHandlerMayRewriteIt) {
    auto* edit = form->Add<TEdit>("Vcompile_file");
    edit->OnChange = [&](TObject&) {
        ++counter.count;
        if (edit->Text() == "book") edit->SetText("book.exe");
    };
    Show();
    auto* entry = WidgetAs<GtkEntry>(*edit);
    gtk_entry_set_text(entry, "boo");
    EXPECT_EQ(edit->Text(), "boo");
    EXPECT_EQ(counter.count, 1);
    gtk_entry_set_text(entry, "book");
    EXPECT_EQ(edit->Text(), "book.exe");
    EXPECT_STREQ(gtk_entry_get_text(entry), "book.exe");
    EXPECT_EQ(counter.count, 3);
}

TEST_F(BindingTest, WindowFollowsTheForm) {
    form->Resizable = false;
    Show();
    GtkWindow* window = WidgetAs<GtkWindow>(*form);
    EXPECT_STREQ(gtk_window_get_title(window), "Zorbin eBook Compiler - v1.0");
    EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(window)));
    EXPECT_FALSE(gtk_window_get_resizable(window));
    form->SetCaption("Zorbin eBook Compiler - v1.0 - book.zbp");
    EXPECT_STREQ(gtk_window_get_title(window), "Zorbin eBook Compiler - v1.0 - book.zbp");
    form->Hide();
    EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(window)));
    form->Show();
    EXPECT_EQ(WidgetAs<GtkWindow>(*form), window);  // built once
}

TEST_F(BindingTest, TheFormKnowsTheSizeAndStateTheUserGaveItsWindowAndTasksRunLater) {
    form->ClientWidth = 500;
    form->ClientHeight = 300;
    Show();
    GtkWindow* window = WidgetAs<GtkWindow>(*form);
    gtk_window_resize(window, 640, 420);
    bool ran = false;
    Application().windows().CallLater(50, [&] { ran = true; });
    for (int i = 0; i < 200 && (form->ClientWidth != 640 || !ran); ++i) {
        g_usleep(10000);
        Application().ProcessMessages();
    }
    EXPECT_EQ(form->ClientWidth, 640);
    EXPECT_EQ(form->ClientHeight, 420);
    EXPECT_TRUE(ran);
    // Xvfb has no window manager to maximize: the state the window reports is what counts.
    GdkEvent* event = gdk_event_new(GDK_WINDOW_STATE);
    event->window_state.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(window))));
    event->window_state.new_window_state = GDK_WINDOW_STATE_MAXIMIZED;
    gtk_widget_event(GTK_WIDGET(window), event);
    gdk_event_free(event);
    EXPECT_TRUE(form->Maximized);
}

TEST_F(BindingTest, CloseBoxAsksTheModel) {
    form->OnClose = counter.Event();
    Show();
    GtkWidget* window = gtk::WidgetOf(*form);
    GdkEvent* event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    gtk_main_do_event(event);
    gdk_event_free(event);
    EXPECT_EQ(counter.count, 1);
    EXPECT_FALSE(form->Showing());
    EXPECT_FALSE(gtk_widget_get_visible(window));
    EXPECT_EQ(gtk::WidgetOf(*form), window);  // hidden, not destroyed
}

TEST_F(BindingTest, ShowModalReturnsWhenTheFormCloses) {
    auto* ok = form->Add<TButton>("OK", "OK");
    ok->OnClick = [&](TObject&) { form->Close(); };
    g_idle_add([](gpointer b) -> gboolean {
        gtk_button_clicked(GTK_BUTTON(gtk::WidgetOf(*static_cast<TButton*>(b))));
        return G_SOURCE_REMOVE;
    }, ok);
    form->ShowModal();
    EXPECT_FALSE(form->Showing());
    EXPECT_FALSE(gtk_widget_get_visible(gtk::WidgetOf(*form)));
}

TEST_F(BindingTest, MemoTextKeepsCrLfInTheModelAndLfInGtk) {
    auto* memo = form->Add<TMemo>("vOnStart");
    memo->OnChange = counter.Event();
    memo->SetText("Your Message Here...\r\nSecond line");
    Show();
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(WidgetAs<GtkTextView>(*memo));
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    gchar* shown = gtk_text_buffer_get_text(buffer, &start, &end, TRUE);
    EXPECT_STREQ(shown, "Your Message Here...\nSecond line");
    g_free(shown);

    gtk_text_buffer_set_text(buffer, "one\ntwo\n", -1);
    EXPECT_EQ(memo->Text(), "one\r\ntwo\r\n");
    EXPECT_EQ(memo->Lines(), (std::vector<std::string>{"one", "two"}));
}

TEST_F(BindingTest, TabSwitchByTheUserSelectsThePage) {
    auto* pages = form->Add<TPageControl>("PageControl1");
    for (const char* name : {"About", "General info", "Security"}) pages->Add<TTabSheet>(name, name);
    pages->OnChange = counter.Event();
    Show();
    gtk_notebook_set_current_page(WidgetAs<GtkNotebook>(*pages), 2);
    EXPECT_EQ(pages->ActivePageIndex(), 2);
    EXPECT_EQ(counter.count, 1);
}

TEST_F(BindingTest, ATabHiddenOrShownLaterFollowsTheModel) {
    auto* pages = form->Add<TPageControl>("Pages");
    pages->Add<TTabSheet>("First", "First");
    TTabSheet* second = pages->Add<TTabSheet>("Second", "Second");
    second->SetTabVisible(false);
    Show();
    GtkNotebook* notebook = WidgetAs<GtkNotebook>(*pages);
    GtkWidget* label = gtk_notebook_get_tab_label(notebook, gtk_notebook_get_nth_page(notebook, 1));
    const auto tabShown = [&] {
        Application().ProcessMessages();  // GTK shows a page's tab when it measures the tabs
        return gtk_widget_get_visible(label) && gtk_widget_get_visible(gtk_notebook_get_nth_page(notebook, 1));
    };
    EXPECT_FALSE(tabShown());
    second->SetTabVisible(true);
    EXPECT_TRUE(tabShown()) << "no change of page is needed";
    second->SetTabVisible(false);
    EXPECT_FALSE(tabShown());
    pages->SetActivePage(second);
    EXPECT_EQ(gtk_notebook_get_current_page(notebook), 1) << "a page whose tab is hidden still shows when chosen";
}

TEST_F(BindingTest, RadioButtonsStayExclusiveBothWays) {
    auto* group = form->Add<TGroupBox>("Compression");
    auto* fast = group->Add<TRadioButton>("Vzip_1", "Fast");
    auto* normal = group->Add<TRadioButton>("Vzip_2", "Normal");
    normal->SetChecked(true);
    fast->OnClick = normal->OnClick = counter.Event();
    Show();
    auto* fastWidget = WidgetAs<GtkToggleButton>(*fast);
    auto* normalWidget = WidgetAs<GtkToggleButton>(*normal);
    EXPECT_TRUE(gtk_toggle_button_get_active(normalWidget));
    EXPECT_FALSE(gtk_toggle_button_get_active(fastWidget));

    gtk_button_clicked(GTK_BUTTON(fastWidget));
    EXPECT_TRUE(fast->Checked());
    EXPECT_FALSE(normal->Checked());
    EXPECT_FALSE(gtk_toggle_button_get_active(normalWidget));
    EXPECT_EQ(counter.count, 1);

    fast->SetChecked(false);  // none checked: the GTK group shows none either
    EXPECT_FALSE(gtk_toggle_button_get_active(fastWidget));
    EXPECT_FALSE(gtk_toggle_button_get_active(normalWidget));
}

TEST_F(BindingTest, ListAndComboSelectionsReachTheModel) {
    auto* list = form->Add<TListBox>("Files");
    auto* combo = form->Add<TComboBox>("vProject_homepage");
    for (const char* item : {"index.html", "start.htm"}) {
        list->AddItem(item);
        combo->AddItem(item);
    }
    list->OnClick = counter.Event();
    Counter changes;
    combo->OnChange = changes.Event();
    Show();
    EXPECT_EQ(list->ItemIndex(), -1);  // taking the focus selects nothing
    EXPECT_EQ(counter.count, 0);

    GtkTreeSelection* selection = gtk_tree_view_get_selection(WidgetAs<GtkTreeView>(*list));
    GtkTreePath* path = gtk_tree_path_new_from_indices(1, -1);
    gtk_tree_selection_select_path(selection, path);
    gtk_tree_path_free(path);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(counter.count, 1);
    list->ClearItems();
    EXPECT_EQ(gtk_tree_model_iter_n_children(gtk_tree_view_get_model(WidgetAs<GtkTreeView>(*list)), nullptr), 0);
    EXPECT_EQ(counter.count, 1);

    auto* box = WidgetAs<GtkComboBox>(*combo);
    gtk_combo_box_set_active(box, 1);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "start.htm");
    EXPECT_EQ(changes.count, 1);
    gtk_entry_set_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(box))), "other.html");
    EXPECT_EQ(combo->Text(), "other.html");
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(changes.count, 2);
    combo->SetItemIndex(0);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(box)))), "index.html");
    EXPECT_EQ(changes.count, 3);
}

TEST_F(BindingTest, CommonPropertiesReachTheWidget) {
    auto* button = form->Add<TButton>("SpeedButton20");
    button->SetPicture("print");
    button->SetHint("Print");
    button->SetEnabled(false);
    auto* bar = form->Add<TProgressBar>("ProgressBar1");
    bar->SetPosition(25);
    Show();
    GtkWidget* widget = gtk::WidgetOf(*button);
    EXPECT_FALSE(gtk_widget_get_sensitive(widget));
    gchar* tip = gtk_widget_get_tooltip_text(widget);
    EXPECT_STREQ(tip, "Print");
    g_free(tip);
    EXPECT_NE(gtk_button_get_image(GTK_BUTTON(widget)), nullptr);
    button->SetEnabled(true);
    EXPECT_TRUE(gtk_widget_get_sensitive(widget));
    bar->SetPosition(75);
    EXPECT_DOUBLE_EQ(gtk_progress_bar_get_fraction(WidgetAs<GtkProgressBar>(*bar)), 0.75);
}

TEST_F(BindingTest, DestroyingTheFormTakesItsWindowAlong) {
    auto* edit = form->Add<TEdit>("Edit");
    Show();
    GtkWidget* window = gtk::WidgetOf(*form);
    g_object_add_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer*>(&window));
    form.reset();
    Application().ProcessMessages();
    EXPECT_EQ(window, nullptr);
    (void)edit;
}

TEST_F(BindingTest, AWidgetFactoryIsAskedFirst) {
    auto* special = form->Add<TPanel>("Browser");
    special->Add<TLabel>("Inner", "never built");
    // The factory stays for the tests that follow: it holds nothing of this one's stack.
    auto made = std::make_shared<GtkWidget*>(nullptr);
    gtk::AddWidgetFactory([special, made](TControl& c) -> GtkWidget* {
        if (&c != special || c.Name() != "Browser" || *made) return nullptr;
        return *made = gtk_label_new("from the factory");
    });
    Show();
    EXPECT_EQ(gtk::WidgetOf(*special), *made);
    EXPECT_EQ(gtk::WidgetOf(*form->Find("Inner")), nullptr);
    special->SetVisible(false);
    EXPECT_FALSE(gtk_widget_get_visible(*made));
}

namespace {

// A tree of `width` items at the top and `branch` in each branch below,
// `depth` levels deep, that counts the titles it is asked for.
struct WideTree : TTreeItems {
    WideTree(std::size_t width, std::size_t branch, std::size_t depth) : width(width), branch(branch), depth(depth) {}
    std::size_t Count(const TreePath& item) const override {
        return item.size() >= depth ? 0 : item.empty() ? width : branch;
    }
    std::string Title(const TreePath& item) const override {
        ++asked;
        std::string title = "Item";
        for (int i : item) title += " " + std::to_string(i);
        return title;
    }
    std::size_t width, branch, depth;
    mutable std::size_t asked = 0;
};

int Rows(GtkTreeModel* model, const char* path = nullptr) {
    GtkTreeIter iter;
    if (!path) return gtk_tree_model_iter_n_children(model, nullptr);
    return gtk_tree_model_get_iter_from_string(model, &iter, path) ? gtk_tree_model_iter_n_children(model, &iter) : -1;
}

}  // namespace

TEST_F(BindingTest, ATreeMakesOnlyTheRowsShownAndFollowsTheModel) {
    form->ClientWidth = 300;
    form->ClientHeight = 400;
    auto* tree = form->Add<TTreeView>("Tree");
    tree->Expand = true;
    tree->AccessibleName = "Contents";
    const auto items = std::make_shared<WideTree>(20000, 40, 3);
    tree->SetItems(items);
    Counter changes, activations;
    tree->OnChange = changes.Event();
    tree->OnClick = activations.Event();
    Show();
    auto* view = WidgetAs<GtkTreeView>(*tree);
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    EXPECT_EQ(Rows(model), 20000);
    EXPECT_LT(items->asked, 200u) << "titles are asked for only as rows are drawn";
    EXPECT_STREQ(atk_object_get_name(gtk_widget_get_accessible(GTK_WIDGET(view))), "Contents");

    // Opened by the user.
    GtkTreePath* five = gtk_tree_path_new_from_string("5");
    gtk_tree_view_expand_row(view, five, FALSE);
    gtk_tree_path_free(five);
    EXPECT_EQ(Rows(model, "5"), 40);
    EXPECT_EQ(Rows(model, "5:7"), 40);

    // Selected from code: the branches open down to it, no event comes back as the user's.
    tree->SetSelected({19999, 3, 9});
    EXPECT_EQ(changes.count, 1);
    GtkTreeIter iter;
    GtkTreeModel* selectedIn = nullptr;
    ASSERT_TRUE(gtk_tree_selection_get_selected(gtk_tree_view_get_selection(view), &selectedIn, &iter));
    gchar* title = nullptr;
    gtk_tree_model_get(selectedIn, &iter, 0, &title, -1);
    EXPECT_STREQ(title, "Item 19999 3 9");
    g_free(title);
    GtkTreePath* parent = gtk_tree_path_new_from_string("19999:3");
    EXPECT_TRUE(gtk_tree_view_row_expanded(view, parent));
    gtk_tree_path_free(parent);
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(activations.count, 0);

    // The user activates a row (a click or Enter).
    GtkTreePath* row = gtk_tree_path_new_from_string("5:7");
    gtk_tree_view_row_activated(view, row, gtk_tree_view_get_column(view, 0));
    gtk_tree_path_free(row);
    EXPECT_EQ(tree->Selected(), (TreePath{5, 7}));
    EXPECT_EQ(activations.count, 1);

    // A path the tree does not have selects nothing; new items start closed.
    tree->SetSelected({3, 40});
    EXPECT_EQ(gtk_tree_selection_count_selected_rows(gtk_tree_view_get_selection(view)), 0);
    tree->SetItems(std::make_shared<WideTree>(2, 0, 1));
    EXPECT_EQ(Rows(gtk_tree_view_get_model(view)), 2);
    Application().ProcessMessages();
    gtk_tree_model_get_iter_first(gtk_tree_view_get_model(view), &iter);
    gchar* first = nullptr;
    gtk_tree_model_get(gtk_tree_view_get_model(view), &iter, 0, &first, -1);
    EXPECT_STREQ(first, "Item 0");
    g_free(first);
    EXPECT_FALSE(gtk_tree_model_iter_has_child(gtk_tree_view_get_model(view), &iter));
    EXPECT_FALSE(gtk_tree_model_iter_next(gtk_tree_view_get_model(view), &iter) &&
                 gtk_tree_model_iter_next(gtk_tree_view_get_model(view), &iter))
        << "two items and no more";
    EXPECT_TRUE(tree->Selected().empty());
}

TEST_F(BindingTest, ASplitterGivesTheWholeWidthToItsSecondPaneWhileTheFirstIsHidden) {
    form->ClientWidth = 600;
    form->ClientHeight = 300;
    auto* splitter = form->Add<TSplitter>("Split");
    splitter->Expand = true;
    splitter->SetPosition(200);
    auto* first = splitter->Add<TTreeView>("First");
    auto* second = splitter->Add<TMemo>("Second");
    second->Expand = true;
    Show();
    for (int i = 0; i < 50 && gtk_widget_get_allocated_width(gtk::WidgetOf(*second)) <= 1; ++i) {
        g_usleep(10000);
        Application().ProcessMessages();
    }
    GtkWidget* paned = gtk::WidgetOf(*splitter);
    EXPECT_EQ(gtk_paned_get_position(GTK_PANED(paned)), 200);
    const int whole = gtk_widget_get_allocated_width(paned);
    EXPECT_LT(gtk_widget_get_allocated_width(gtk_widget_get_parent(gtk::WidgetOf(*second))), whole - 150);

    first->SetVisible(false);
    Application().ProcessMessages();
    for (int i = 0; i < 50 && gtk_widget_get_allocated_width(gtk_widget_get_parent(gtk::WidgetOf(*second))) != whole; ++i) {
        g_usleep(10000);
        Application().ProcessMessages();
    }
    EXPECT_EQ(gtk_widget_get_allocated_width(gtk_widget_get_parent(gtk::WidgetOf(*second))), whole);

    // The user drags the divider.
    first->SetVisible(true);
    gtk_paned_set_position(GTK_PANED(paned), 250);
    EXPECT_EQ(splitter->Position(), 250);
}

TEST_F(BindingTest, TheFormIsOfferedShortcutsBeforeTheFocusedWidget) {
    auto* edit = form->Add<TEdit>("Edit");
    std::vector<std::string> offered;
    form->OnShortcut = [&](const TShortcut& key) {
        offered.push_back(std::string(key.control ? "Ctrl+" : "") + (key.alt ? "Alt+" : "") + key.key);
        return key.key == "F9";
    };
    Show();
    GtkWidget* window = gtk::WidgetOf(*form);
    gtk_widget_grab_focus(gtk::WidgetOf(*edit));
    const auto press = [&](guint keyval, GdkModifierType state) { return PressKey(window, keyval, state); };
    EXPECT_TRUE(press(GDK_KEY_F9, GdkModifierType(0)));
    press(GDK_KEY_Page_Down, GDK_CONTROL_MASK);
    press(GDK_KEY_KP_Add, GDK_CONTROL_MASK);
    press(GDK_KEY_D, GdkModifierType(GDK_CONTROL_MASK | GDK_SHIFT_MASK));
    press(GDK_KEY_Left, GDK_MOD1_MASK);
    press(GDK_KEY_a, GdkModifierType(0));
    EXPECT_EQ(offered, (std::vector<std::string>{"F9", "Ctrl+Page_Down", "Ctrl+plus", "Ctrl+d", "Alt+Left"}))
        << "plain typing is not offered";
    EXPECT_EQ(edit->Text(), "a") << "a key the form leaves goes on to the focused widget";
}

TEST(Pictures, OurArtHasItsSizeAndUnknownIdsHaveNone) {
    struct Expected {
        const char* id;
        int width, height;
    };
    for (Expected e : {Expected{"logo", 121, 193}, {"banner", 361, 65}, {"compile", 64, 64}}) {
        GdkPixbuf* picture = gtk::Picture(e.id);
        ASSERT_NE(picture, nullptr) << e.id;
        EXPECT_EQ(gdk_pixbuf_get_width(picture), e.width) << e.id;
        EXPECT_EQ(gdk_pixbuf_get_height(picture), e.height) << e.id;
    }
    GdkPixbuf* small = gtk::Picture("logo", 97);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_height(small), 97);
    for (const char* id : {"new", "print", "web", "email", "about-art"}) EXPECT_NE(gtk::Picture(id, 24), nullptr) << id;
    EXPECT_EQ(gdk_pixbuf_get_width(gtk::Picture("back", 24)), 24);
    EXPECT_EQ(gtk::Picture("no-such-picture"), nullptr);
    EXPECT_EQ(gtk::Picture(""), nullptr);
}

TEST(TextAndTargets, ConvertBetweenTheModelAndGtk) {
    EXPECT_EQ(gtk::ToGtkText("a\r\nb\rc\n"), "a\nb\nc\n");
    EXPECT_EQ(gtk::ToModelText("a\nb"), "a\r\nb");
    EXPECT_EQ(gtk::ToGtkText("caf\xe9"), "caf\xef\xbf\xbd");  // not UTF-8: shown as a replacement
    EXPECT_EQ(gtk::TargetUri("mailto:author@example.org"), "mailto:author@example.org");
    EXPECT_EQ(gtk::TargetUri("http://www.example.org/main1.php"), "http://www.example.org/main1.php");
    EXPECT_EQ(gtk::TargetUri("/tmp/my book.html"), "file:///tmp/my%20book.html");
    EXPECT_EQ(gtk::FolderChoiceOf("/home/a/out/").path, "/home/a/out");
    EXPECT_EQ(gtk::FolderChoiceOf("/home/a/out/").displayName, "out");
    EXPECT_EQ(gtk::FolderChoiceOf("/").path, "/");
}

}  // namespace
