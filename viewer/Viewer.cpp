// The viewer program: every eBook is this program followed by its blocks.
#include "GtkBinding.h"
#include "Housekeeping.h"
#include "SimExe.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WebKitInstall.h"

#include <iostream>

int main(int argc, char** argv) {
    if (SimExe::Housekeeping(argc, argv)) return 0;
    // The eBook's blocks are indexed while the window and the web view start.
    // A file that cannot be read is reported by the first block read.
    try {
        if (SimExe::BlockStore().empty()) SimExe::LoadOwnImage();
        SimExe::BlockStore().IndexInBackground();
    } catch (const SimExe::EFileError&) {
    }
    toolkit::TApplication& app = toolkit::Application();
    app.Title = "Zorbin eBook";
    if (!toolkit::gtk::Initialize(argc, argv)) {
        std::cerr << argv[0] << ": cannot open a display; this eBook needs a graphical desktop session\n";
        return 1;
    }
    viewer::webkit::Install();
    viewer::TForm2 about;
    viewer::TForm1 form(about);
    app.SetMainForm(&form);
    app.Dispatch([&] { form.FormCreate(); });
    app.Run();
    form.FormDestroy();
    return 0;
}
