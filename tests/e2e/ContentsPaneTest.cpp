// End to end: the contents the compiler found, in the real viewer's pane
// beside a real web view: the tree, choosing an entry, the tree following
// the reader, the reader keys, and the window of a book without contents.
#include "KeyPress.h"
#include "ViewerOnEBook.h"

#include <atk/atk.h>

#include <cstdlib>

namespace {

// A book whose first page has a <nav> list; the first entry's page has a
// section far down.
std::string CompileNavBook(const std::string& options) {
    static TempDir site;
    static bool written = false;
    if (!written) {
        site.Write("index.html",
                   "<html><head><title>Home</title></head><body><nav><ul>"
                   "<li><a href=\"a.html\">Alpha</a><ul><li><a href=\"a.html#deep\">Deep in Alpha</a></li></ul></li>"
                   "<li><a href=\"b.html\">Beta</a></li></ul></nav><p><a id=\"tob\" href=\"b.html\">to Beta</a></body>"
                   "</html>");
        site.Write("a.html", "<html><body><h1>Alpha</h1><div style=\"height:5000px\"></div><h2 id=\"deep\">Deep</h2>"
                             "<div style=\"height:5000px\"></div></body></html>");
        site.Write("b.html", "<html><body><h1>Beta</h1></body></html>");
        written = true;
    }
    static TempDir out;
    const std::string ebook = out / (std::to_string(options.size()) + ".exe");
    const std::string command =
        "'" ZORBIN_COMPILER "' build '" + site.path() + "' --first-page index.html -q " + options + " -o '" + ebook + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return ebook;
}

class ContentsPane : public ViewerOnEBook {
protected:
    std::string EBook() override {
        static const std::string path = CompileNavBook("");
        return path;
    }
    GtkTreeView* Tree() { return GTK_TREE_VIEW(toolkit::gtk::WidgetOf(*form->ContentsTree)); }
    bool TreeShown() { return gtk_widget_is_visible(GTK_WIDGET(Tree())); }
    std::string SelectedRow() {
        GtkTreeModel* model = nullptr;
        GtkTreeIter iter;
        if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(Tree()), &model, &iter)) return "";
        gchar* path = gtk_tree_model_get_string_from_iter(model, &iter);
        std::string text = path;
        g_free(path);
        return text;
    }
    void Press(guint keyval, GdkModifierType state = GdkModifierType(0)) {
        PressKey(toolkit::gtk::WidgetOf(*form), keyval, state);
    }
};

class WithoutContents : public ContentsPane {
protected:
    std::string EBook() override {
        static const std::string path = CompileNavBook("--no-contents --no-reopen");
        return path;
    }
};

// The names a screen reader hears for the tree's rows.
std::vector<std::string> AccessibleNames(AtkObject* tree) {
    std::vector<std::string> names;
    for (int i = 0; i < atk_object_get_n_accessible_children(tree); ++i) {
        AtkObject* child = atk_object_ref_accessible_child(tree, i);
        if (const char* name = child ? atk_object_get_name(child) : nullptr; name && *name) names.push_back(name);
        if (child) g_object_unref(child);
    }
    return names;
}

}  // namespace

TEST_F(ContentsPane, TheTreeShowsAndAnEntryOpensItsPageAtItsAnchor) {
    ASSERT_TRUE(WaitFor("ebook://ebook/index.html"));
    ASSERT_TRUE(RunUntil([&] { return TreeShown(); }));
    EXPECT_TRUE(gtk_widget_is_visible(toolkit::gtk::WidgetOf(*form->ContentsButton)));
    AtkObject* accessible = gtk_widget_get_accessible(GTK_WIDGET(Tree()));
    EXPECT_STREQ(atk_object_get_name(accessible), "Contents");
    EXPECT_EQ(AccessibleNames(accessible), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(SelectedRow(), "") << "the first page is no entry";

    GtkTreePath* alpha = gtk_tree_path_new_from_string("0");
    gtk_tree_view_expand_row(Tree(), alpha, FALSE);
    gtk_tree_path_free(alpha);
    GtkTreePath* deep = gtk_tree_path_new_from_string("0:0");
    gtk_tree_view_row_activated(Tree(), deep, gtk_tree_view_get_column(Tree(), 0));
    gtk_tree_path_free(deep);
    ASSERT_TRUE(WaitFor("ebook://ebook/a.html#deep"));
    EXPECT_TRUE(RunUntil([&] { return std::atoi(Eval("String(window.scrollY)").c_str()) > 4000; }))
        << "scrolled to the anchor";
    EXPECT_EQ(SelectedRow(), "0:0");
}

TEST_F(ContentsPane, FollowingALinkSelectsTheNewPagesEntry) {
    ASSERT_TRUE(WaitFor("ebook://ebook/index.html"));
    Eval("document.getElementById('tob').click()");
    ASSERT_TRUE(WaitFor("ebook://ebook/b.html"));
    EXPECT_TRUE(RunUntil([&] { return SelectedRow() == "1"; })) << SelectedRow();
    form->SpeedButton1->Click();
    ASSERT_TRUE(WaitFor("ebook://ebook/index.html"));
    EXPECT_TRUE(RunUntil([&] { return SelectedRow().empty(); })) << "back on a page no entry opens";
}

TEST_F(ContentsPane, F9HidesAndShowsF6AndTabMoveTheKeyboardAndControlPageDownGoesOn) {
    ASSERT_TRUE(WaitFor("ebook://ebook/index.html"));
    ASSERT_TRUE(RunUntil([&] { return TreeShown(); }));
    Press(GDK_KEY_F9);
    EXPECT_TRUE(RunUntil([&] { return !TreeShown(); }));
    Press(GDK_KEY_F9);
    EXPECT_TRUE(RunUntil([&] { return TreeShown(); }));

    EXPECT_TRUE(gtk_widget_has_focus(GTK_WIDGET(Tree()))) << "shown by F9, the tree has the keyboard";
    RunFor(100);
    Press(GDK_KEY_Tab);
    EXPECT_TRUE(RunUntil([&] { return gtk_widget_has_focus(GTK_WIDGET(view)); })) << "Tab goes back to the page";
    int tabs = 0;
    for (; tabs < 10 && !gtk_widget_has_focus(GTK_WIDGET(Tree())); ++tabs) {
        Press(GDK_KEY_Tab);
        RunFor(100);
    }
    EXPECT_LT(tabs, 10) << "past the page's links, Tab reaches the tree";
    Press(GDK_KEY_Tab);
    EXPECT_TRUE(RunUntil([&] { return gtk_widget_has_focus(GTK_WIDGET(view)); }));
    Press(GDK_KEY_F6);
    EXPECT_TRUE(RunUntil([&] { return gtk_widget_has_focus(GTK_WIDGET(Tree())); })) << "F6 goes to the tree";

    Press(GDK_KEY_Page_Down, GDK_CONTROL_MASK);
    ASSERT_TRUE(WaitFor("ebook://ebook/a.html"));
    Press(GDK_KEY_Page_Down, GDK_CONTROL_MASK);
    ASSERT_TRUE(WaitFor("ebook://ebook/b.html")) << "the section of the page shown is passed";
    EXPECT_EQ(SelectedRow(), "1");
    Press(GDK_KEY_Page_Up, GDK_CONTROL_MASK);
    ASSERT_TRUE(WaitFor("ebook://ebook/a.html"));
}

TEST_F(WithoutContents, TheWindowIsTheWindowOfABookWithoutTheFeature) {
    ASSERT_TRUE(WaitFor("ebook://ebook/index.html"));
    RunFor(200);
    EXPECT_FALSE(TreeShown());
    EXPECT_FALSE(gtk_widget_is_visible(toolkit::gtk::WidgetOf(*form->ContentsButton)));
    GtkWidget* page = GTK_WIDGET(view);
    GtkWidget* window = toolkit::gtk::WidgetOf(*form);
    GtkAllocation shown;
    gtk_widget_get_allocation(page, &shown);
    int x = -1, y = -1;
    ASSERT_TRUE(gtk_widget_translate_coordinates(page, window, 0, 0, &x, &y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(shown.width, gtk_widget_get_allocated_width(window)) << "the page has the whole width";
    Press(GDK_KEY_F9);
    RunFor(100);
    EXPECT_FALSE(TreeShown()) << "F9 shows nothing";
}
