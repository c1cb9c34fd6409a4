// The compiler program: opens the wizard window and runs until it closes.
#include "GtkBinding.h"
#include "compilerUnit1.h"

#include <iostream>

int main(int argc, char** argv) {
    toolkit::TApplication& app = toolkit::Application();
    app.Title = "Zorbin eBook Compiler";
    if (!toolkit::gtk::Initialize(argc, argv)) {
        std::cerr << "zorbin-compiler: cannot open the display; the wizard window needs a graphical session\n";
        return 1;
    }
    compiler::TForm1 form;
    form.FormCreate();
    app.SetMainForm(&form);
    app.Run();
    return 0;
}
