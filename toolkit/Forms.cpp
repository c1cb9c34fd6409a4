// Forms and the application object.
#include "Forms.h"

#include "SimExe.h"

namespace toolkit {

TForm::TForm(TWinControl* parent, std::string name, std::string caption)
    : WithCaption(parent, std::move(name), std::move(caption)) {
    SetVisible(false);
}

TForm::~TForm() {
    if (Application().MainForm() == this) Application().SetMainForm(nullptr);
}

void TForm::Show() {
    showing_ = true;
    SetVisible(true);
    Application().windows().ShowForm(*this);
}

void TForm::Hide() {
    showing_ = false;
    SetVisible(false);
    Application().windows().HideForm(*this);
}

void TForm::ShowModal() {
    showing_ = true;
    modal_ = true;
    SetVisible(true);
    Application().windows().RunModal(*this);
    modal_ = false;
    showing_ = false;
    SetVisible(false);
}

void TForm::Close() {
    RaiseEvent(OnClose, *this);
    if (modal_) {
        Application().windows().EndModal(*this);
        return;
    }
    Hide();
    if (Application().MainForm() == this) Application().Terminate();
}

bool TForm::Shortcut(const TShortcut& key) {
    bool handled = false;
    if (OnShortcut) Application().Dispatch([&] { handled = OnShortcut(key); });
    return handled;
}

std::string ErrorMessageText(const std::string& text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) return text + ".";
    return text;
}

void HeadlessWindows::ProcessMessages() {
    std::vector<std::function<void()>> due;
    due.swap(later_);
    for (auto& task : due) task();
}

TApplication::TApplication()
    : dialogs_(std::make_unique<ScriptedDialogs>()), windows_(std::make_unique<HeadlessWindows>()) {
    SimExe::SetMessagePump([this] { ProcessMessages(); });
}

TApplication::~TApplication() { SimExe::SetMessagePump(nullptr); }

void TApplication::SetDialogs(std::unique_ptr<Dialogs> dialogs) { dialogs_ = std::move(dialogs); }
void TApplication::SetWindowSystem(std::unique_ptr<WindowSystem> windows) { windows_ = std::move(windows); }

void TApplication::MessageBox(const std::string& text) { dialogs_->MessageBox(Title, text, MessageIcon::None); }

void TApplication::ShowException(const std::exception& e) {
    dialogs_->MessageBox(Title, ErrorMessageText(e.what()), MessageIcon::Error);
}

void TApplication::Dispatch(const std::function<void()>& handler) {
    struct Depth {
        int& d;
        explicit Depth(int& depth) : d(depth) { ++d; }
        ~Depth() { --d; }
    } depth(dispatchDepth_);
    if (dispatchDepth_ > 1) {
        handler();  // an inner event: the outermost handler deals with errors
        return;
    }
    try {
        handler();
    } catch (const std::exception& e) {
        ShowException(e);
    }
}

void TApplication::Run() {
    if (terminated_) return;
    if (mainForm_) mainForm_->Show();
    windows_->Run();
}

void TApplication::Terminate() {
    terminated_ = true;
    windows_->Quit();
}

TApplication& Application() {
    static TApplication application;
    return application;
}

}  // namespace toolkit
