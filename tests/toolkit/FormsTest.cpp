// Forms, the application's error handler and dialogs, without a display.
#include "Dialogs.h"
#include "Forms.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace toolkit;

namespace {

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        Application().SetDialogs(std::move(scripted));
        Application().Title = "Zorbin eBook Compiler";
    }
    ScriptedDialogs* dialogs = nullptr;
};

TEST(ErrorMessageText, AppendsAFullStopAfterCharactersSortingAfterIt) {
    EXPECT_EQ(ErrorMessageText("Cannot open file a.html"), "Cannot open file a.html.");
    EXPECT_EQ(ErrorMessageText("error 7"), "error 7.");
    EXPECT_EQ(ErrorMessageText("Done."), "Done.");
    EXPECT_EQ(ErrorMessageText("Hi!"), "Hi!");
    EXPECT_EQ(ErrorMessageText("what -"), "what -");
    EXPECT_EQ(ErrorMessageText(""), "");
    EXPECT_EQ(ErrorMessageText("caf\xc3\xa9"), "caf\xc3\xa9.");  // bytes above 127 sort after "."
}

TEST_F(ApplicationTest, AnExceptionLeavingAHandlerIsShownAndStopsIt) {
    TForm form(nullptr, "Form");
    auto* button = form.Add<TButton>("Button");
    auto* check = form.Add<TCheckBox>("Check");
    bool after = false;
    check->OnClick = [](TObject&) { throw std::runtime_error("Cannot create file out.exe"); };
    button->OnClick = [&](TObject&) {
        check->SetChecked(true);  // its handler's error goes up to this one
        after = true;
    };
    button->Click();

    EXPECT_FALSE(after);
    EXPECT_TRUE(check->Checked());  // what was done before stays done
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].caption, "Zorbin eBook Compiler");
    EXPECT_EQ(dialogs->messages[0].text, "Cannot create file out.exe.");
    EXPECT_EQ(dialogs->messages[0].icon, MessageIcon::Error);

    check->OnClick = nullptr;
    button->Click();  // the handler runs again normally afterwards
    EXPECT_TRUE(after);
    EXPECT_EQ(dialogs->messages.size(), 1u);
}

TEST_F(ApplicationTest, PlainMessageBoxHasNoIconAndTheTitle) {
    Application().MessageBox("Please enter a title");
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].caption, "Zorbin eBook Compiler");
    EXPECT_EQ(dialogs->messages[0].icon, MessageIcon::None);
}

TEST_F(ApplicationTest, FormCloseRunsOnCloseAndHides) {
    TForm form(nullptr, "Form");
    int closes = 0;
    form.OnClose = [&](TObject&) { ++closes; };
    form.Show();
    EXPECT_TRUE(form.Showing());
    EXPECT_TRUE(form.Visible());
    form.Close();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(form.Showing());
    EXPECT_FALSE(form.Visible());
}

TEST(ParseFilter, SplitsDescriptionsAndPatterns) {
    auto filters = ParseFilter("Application (*.zbp)|*.zbp|Pages|*.htm;*.html");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].description, "Application (*.zbp)");
    EXPECT_EQ(filters[0].patterns, std::vector<std::string>{"*.zbp"});
    EXPECT_EQ(filters[1].patterns, (std::vector<std::string>{"*.htm", "*.html"}));
    EXPECT_TRUE(ParseFilter("").empty());
    EXPECT_TRUE(ParseFilter("lonely description").empty());
}

TEST_F(ApplicationTest, ScriptedDialogsAnswerInOrderThenCancel) {
    dialogs->fileAnswers.push_back(std::string("/tmp/book.zbp"));
    dialogs->inputAnswers.push_back(std::string("secret-password"));
    TOpenDialog open;
    open.Filter = "Application (*.zbp)|*.zbp";
    EXPECT_TRUE(open.Execute());
    EXPECT_EQ(open.FileName, "/tmp/book.zbp");
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(open.FileName, "/tmp/book.zbp");
    ASSERT_EQ(dialogs->fileRequests.size(), 2u);
    EXPECT_FALSE(dialogs->fileRequests[0].save);
    EXPECT_EQ(dialogs->fileRequests[0].filter, "Application (*.zbp)|*.zbp");
    EXPECT_EQ(Application().dialogs().InputBox("c", "Password:", "", 6), "secret");
}

}  // namespace
