// Forms and the application object: title, message boxes, the default error
// handler, message processing and the main loop. The real windows come from
// a WindowSystem (toolkit/gtk); without one, forms live only as objects.
#pragma once

#include "Controls.h"
#include "Dialogs.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace toolkit {

class TForm;

// What a binding does with forms; the headless one keeps them as objects.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    virtual void ShowForm(TForm& form) = 0;
    virtual void HideForm(TForm& form) = 0;
    // Shows the form and returns once it is closed.
    virtual void RunModal(TForm& form) = 0;
    virtual void EndModal(TForm& form) = 0;
    // Handles the pending window messages, without waiting for new ones.
    virtual void ProcessMessages() = 0;
    // Runs the main loop until Quit.
    virtual void Run() = 0;
    virtual void Quit() = 0;
    // Runs `task` once, from the main loop, after `milliseconds`.
    virtual void CallLater(int milliseconds, std::function<void()> task) = 0;
};

// Without windows, tasks called for later run at the next ProcessMessages,
// however long they were to wait.
class HeadlessWindows : public WindowSystem {
public:
    void ShowForm(TForm&) override {}
    void HideForm(TForm&) override {}
    void RunModal(TForm&) override {}
    void EndModal(TForm&) override {}
    void ProcessMessages() override;
    void Run() override {}
    void Quit() override {}
    void CallLater(int, std::function<void()> task) override { later_.push_back(std::move(task)); }

private:
    std::vector<std::function<void()>> later_;
};

// A key pressed with Control or Alt held, or a function key: "F9",
// "Page_Up", "Page_Down", "Left", "Right", "plus", "minus", "0", a letter
// in lower case; the keypad's keys are named as the main keys.
struct TShortcut {
    std::string key;
    bool control = false, alt = false, shift = false;
};

class TForm : public WithCaption<TWinControl> {
public:
    TForm(TWinControl* parent, std::string name, std::string caption = "");
    ~TForm() override;

    // Window style hints for the binding. Maximized and the client size
    // follow the user's changes to the window (the size while it is not
    // maximized).
    bool Resizable = true;
    bool Maximized = false;
    bool CentreOnScreen = true;
    bool CentreOnOwner = false;
    bool Dialog = false;  // no minimize or maximize box
    int ClientWidth = 0, ClientHeight = 0;

    void Show();
    void Hide();
    // Shows the form modally; returns when it is closed.
    void ShowModal();
    // Closes the form: OnClose runs first, then the window goes. Closing the
    // main form ends the program.
    void Close();
    bool Showing() const { return showing_; }

    TNotifyEvent OnClose;
    // Asked first, wherever the focus is, for every shortcut pressed in the
    // window; true when the form acted on it, which ends the key's way.
    std::function<bool(const TShortcut&)> OnShortcut;
    // Offers a shortcut as the user's key press does.
    bool Shortcut(const TShortcut& key);

private:
    bool showing_ = false;
    bool modal_ = false;
};

// Appends a full stop to an error text that ends in a character sorting after ".".
std::string ErrorMessageText(const std::string& text);

class TApplication {
public:
    TApplication();
    ~TApplication();

    // Caption of every message box.
    std::string Title;

    Dialogs& dialogs() { return *dialogs_; }
    void SetDialogs(std::unique_ptr<Dialogs> dialogs);
    WindowSystem& windows() { return *windows_; }
    void SetWindowSystem(std::unique_ptr<WindowSystem> windows);

    // A plain message box: OK button, no icon, captioned with the title.
    void MessageBox(const std::string& text);
    // The default error handler: error icon, the title as caption, the text
    // with its full stop.
    void ShowException(const std::exception& e);

    // Runs an event handler. An exception that leaves the outermost handler
    // is shown by the default error handler; the handler's remaining steps
    // do not run and what was done before stays done.
    void Dispatch(const std::function<void()>& handler);

    void ProcessMessages() { windows_->ProcessMessages(); }

    TForm* MainForm() const { return mainForm_; }
    void SetMainForm(TForm* form) { mainForm_ = form; }
    // Shows the main form and runs the main loop until the program ends.
    void Run();
    // Ends the program: the main loop stops.
    void Terminate();
    bool Terminated() const { return terminated_; }

private:
    std::unique_ptr<Dialogs> dialogs_;
    std::unique_ptr<WindowSystem> windows_;
    TForm* mainForm_ = nullptr;
    int dispatchDepth_ = 0;
    bool terminated_ = false;
};

// The process-wide application object.
TApplication& Application();

}  // namespace toolkit
